// The loaded character: its eight dictionaries, the memo, counter and flag slots (50 to 99 kept
// in the scrambled state file between runs), the short conversation memory the macros read, the
// user profile copy, its own plug-in list and the watch over an external program. The chat
// controller owns exactly one at a time and talks to the engine only through it.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "charfile/character_file.h"
#include "charfile/data_root.h"
#include "charfile/date_time.h"
#include "charfile/kelmo_error.h"
#include "dictionary/entry_source.h"
#include "engine/user_profile.h"
#include "plugins/plugin_list.h"

namespace kelmo {

class TKelmoData;
class TLoadListener;
class TKelmoData0;
class TKelmoDataA;
class TKelmoDataB;
class TKelmoDataC;
class TEntrust;
class TPatternCache;
class TCompiledConditions;
struct TMacroScratch;
class TMainThreadCall;

// Raised when a character cannot be loaded; the message says why (in English).
class EKelmoInvalidCharacter : public EKelmoError {
 public:
  // Why a definition file makes no character; callers test this, the message is made from it.
  enum class TReason {
    NotFound,      // "characterfile is not found"
    Invalid,       // "characterfile is invalid": "name" and "folder" both empty
    OldVersion,    // "character is not supported in this version"
    ContainsNoData,  // "character contains no data": no dictionary line can be chosen
  };

  explicit EKelmoInvalidCharacter(TReason reason)
      : EKelmoError(std::string(MessageOf(reason))), reason_(reason) {}
  TReason Reason() const { return reason_; }

  // The English message of a reason.
  static std::string_view MessageOf(TReason reason);

 private:
  TReason reason_;
};

// Dictionary mask bits, one per dictionary, data01 to datac2.
inline constexpr uint8_t DictMaskAll = 255;  // what the user says, petting, timed talk
inline constexpr uint8_t DictMaskBasic = 3;  // the window's own words: kind 0 only

// Number of memo, counter and flag slots; slots from kFirstStoredSlot up live in the state file.
inline constexpr int kSlotCount = 100;
inline constexpr int kFirstStoredSlot = 50;

// Starts of external programs and documents one character may make within one second.
inline constexpr size_t kMaxProgramStartsPerSecond = 5;

// What a character needs from the program around it.
struct TCharacterEnvironment {
  TPluginEnvironment Plugins;             // program folder and window handle for plug-ins
  TMainThreadCall* MainThread = nullptr;  // delivers the external program runner's notice
  // Writes a message (Shift-JIS) to the error log; may be empty. Called on the main thread.
  std::function<void(const std::string& message)> LogError;
  // The date and time the macros read and LoadTime takes; empty means the local clock.
  std::function<TDateTime()> Clock;
  // Whether the state file is read and written. Without it the slots start cleared and nothing is
  // written: an author's tool loads a character without touching what it remembers.
  bool KeepsStateFile = true;
  // What each dictionary's load tells, data01 to datac2 (nullptr for none; not owned): its files
  // in list order, and each file of its list that is missing. The dictionaries load on two
  // threads; each listener is called on one of them only.
  std::array<TLoadListener*, kDictionaryCount> DictionaryListeners{};
};

class TCharacter {
 public:
  // Loads the character from its definition file, or raises EKelmoInvalidCharacter with
  // "characterfile is not found", "characterfile is invalid", "character is not supported in
  // this version" or "character contains no data"; an unreadable dictionary raises EFileError,
  // and a state file that cannot be created EFileWriteError. The character folder and every
  // file it names must lie inside the character's root (data_root.h): a character folder outside
  // it holds no data, a dictionary file outside it is skipped as missing, each logged. On failure
  // nothing is left behind and no state file is read or written.
  TCharacter(std::string_view definitionPath, const TCharacterEnvironment& environment);

  // Saves the state file (when Name is not empty), ends the external program whose watch is still
  // running together with its process group, and releases everything. A failure to write the
  // state file is swallowed (a destructor cannot raise): the previous file stays whole, and a
  // caller that wants to hear of the failure calls SaveState itself first.
  ~TCharacter();

  TCharacter(const TCharacter&) = delete;
  TCharacter& operator=(const TCharacter&) = delete;

  // The macro evaluator (engine/evaluator.h) at the clock's current time: brace groups evaluated
  // innermost first, results spliced and rescanned, groups without a result kept at depths 1 and
  // 2; the empty text at a limit. Never raises.
  std::u16string Evaluate(std::u16string_view text);

  // One raw (unevaluated) reply for the line from the dictionaries under the mask, moving the
  // conversation memory on; empty when no consulted dictionary answers. ReplySource tells where
  // the reply was written from then on.
  std::u16string SelectReply(std::u16string_view line, uint8_t mask);

  // The dictionary entry the latest SelectReply chose; nothing before the first selection and
  // after one whose reply was empty.
  const std::optional<TEntrySource>& ReplySource() const { return replySource_; }

  // Adds a plug-in for macro tags to Plugins.
  bool AddPlugin(const std::u16string& progId);

  // The UTF-8 file-system path of the regular file the data path names, when it exists and lies
  // inside the character's root; the empty text otherwise. One that exists outside the root is
  // logged as such.
  std::string ExistingDataFile(std::string_view dataPath) const;

  // The character's root: where its data paths must resolve.
  const TDataRoot& Root() const { return root_; }

  // Starts an external program from a command line (Shift-JIS) and watches it; false when it
  // could not be started. The program must lie inside Folder: one outside is logged and not
  // started.
  bool StartRunner(const std::string& commandLine);

  // The watch over the external program ended: RunnerDone := true. Runs on the main thread.
  void RunnerFinished();

  // Counts one start of an external program or document (ENTRUST, SHELL:); false, counting
  // nothing, when kMaxProgramStartsPerSecond starts were counted within the last second. A reply
  // that rewrites itself is rescanned up to the evaluator's limit, and each rescan could otherwise
  // start a program.
  bool TakeProgramStart();

  // The state file: 150 logical lines (memo, counter and flag slots 50 to 99), scrambled with
  // Name as key. LoadState clears all slots, then fills slots 50 to 99 when the file holds at
  // least 150 lines (a counter line that is no number leaves 0); a missing file is written first.
  // SaveState replaces the file in one step, a byte below 32 in a memo or the name written as a
  // blank so that every slot stays on its own line. Both raise EFileError on file errors. A
  // character loaded without KeepsStateFile has no state file: LoadState only clears and SaveState
  // does nothing.
  void LoadState();
  void SaveState();

  void SetUserProfile(const TUserProfile& profile) { Profile = profile; }
  void SetAllowExecute(bool allow) { AllowExecute = allow; }
  void SetPluginsEnabled(bool enabled) { PluginsEnabled = enabled; }

  // The dictionaries, created in this order; the first of each kind is OnceOnly.
  std::unique_ptr<TKelmoData0> Data01, Data02;
  std::unique_ptr<TKelmoDataA> DataA1, DataA2;
  std::unique_ptr<TKelmoDataB> DataB1, DataB2;
  std::unique_ptr<TKelmoDataC> DataC1, DataC2;

  TUserProfile Profile;
  std::unique_ptr<TCharacterFile> CharacterFile;
  std::string Folder;          // character folder, ending in a delimiter
  std::string Name;            // "name" of the definition file; the state file's key
  std::string DefinitionPath;  // the path the character was loaded from
  std::string OperateMessage;  // the normalised query of the last selection (kind 0 masks only)

  std::array<std::string, kSlotCount> Memo;  // Shift-JIS texts
  std::array<double, kSlotCount> Counter{};
  std::array<bool, kSlotCount> Flag{};

  std::string PrevAnswer;   // normalised raw reply chosen one selection earlier
  std::string Prev;         // the line given to the latest selection
  std::string InputBefore;  // the line given to the selection before that
  TDateTime LoadTime = 0;
  int Turn = 0;
  bool AllowExecute = false;
  bool PluginsEnabled = false;

  std::unique_ptr<TPluginList> Plugins;
  std::unique_ptr<TEntrust> Runner;
  bool RunnerDone = false;

  // What evaluations keep from one to the next: the compiled patterns of LIKE and the buffers of
  // the scan.
  std::unique_ptr<TPatternCache> LikePatterns;
  std::unique_ptr<TMacroScratch> MacroScratch;

  // The conditions of Data01 and of Data02, compiled at their load. Each dictionary has its own,
  // as the dictionaries load side by side and share nothing while they do.
  std::unique_ptr<TCompiledConditions> Conditions01, Conditions02;

  // Prev, PrevAnswer and OperateMessage as wide text, converted again only after they changed:
  // kind 0 conditions read them at every lookup.
  const std::u16string& WidePrev() const { return widePrev_.Of(Prev); }
  const std::u16string& WidePrevAnswer() const { return widePrevAnswer_.Of(PrevAnswer); }
  const std::u16string& WideOperateMessage() const {
    return wideOperateMessage_.Of(OperateMessage);
  }

 private:
  void CreateDictionaries();
  // Loads every existing file of each dictionary's file list, in the order of Dictionaries().
  void LoadDictionaries();
  // Whether the state file exists inside the root, ready to be read.
  bool StateFileInPlace() const;
  // The eight dictionaries in the order Data01 to DataC2.
  std::array<TKelmoData*, kDictionaryCount> Dictionaries() const;

  // A Shift-JIS text and its wide form, converted again when the text is not the one converted.
  class TWideCopy {
   public:
    const std::u16string& Of(const std::string& text) const;

   private:
    mutable std::string source_;
    mutable std::u16string wide_;
  };

  // Whether the file-system path lies inside the root; logs the data path when it does not.
  bool InsideRoot(const std::string& fileSystemPath, std::string_view dataPath) const;
  void LogError(const std::string& message) const;

  std::optional<TEntrySource> replySource_;
  TWideCopy widePrev_;
  TWideCopy widePrevAnswer_;
  TWideCopy wideOperateMessage_;
  TCharacterEnvironment environment_;
  TDataRoot root_;
  // The ".kls" file beside the definition file's name, in Folder; empty without KeepsStateFile.
  std::string statePath_;
  // When the latest program starts were counted: a ring whose next slot holds the oldest.
  std::array<std::chrono::steady_clock::time_point, kMaxProgramStartsPerSecond> recentStarts_{};
  size_t nextStart_ = 0;
};

}  // namespace kelmo
