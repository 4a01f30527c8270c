// The chat controller: the toolkit-free heart of the main window. It owns, for the whole run, the
// loaded character, the list of installed characters, the program's event plug-ins, the settings
// and the user profile, and runs the conversation as a small state machine driven by two inputs:
// the Enter key (PressEnter) and one periodic timer (TimerTimer). A front end (window, terminal,
// batch) owns the event loop and the screen; the controller drives it through TChatView.
//
// One user line: PressEnter in stUserInput takes the balloon text, Think asks the character (with
// the plug-in events "KE_BeginThink" and "KE_EndThink"), and the reply is typed letter by letter,
// one step per tick, by the typewriter (typewriter.h), brace groups that survived evaluation being
// executed as display commands; the controller is the host of those that reach beyond the balloon.
// The character speaks on its own only for its greeting, a timed talk armed with TIMER, and its
// closing words. Loading a character, start-up and shut-down are character_loading.cpp's.
//
// Driving it: call Start once (false means start-up failed: exit with a non-zero status), then
// TimerTimer every TimerInterval() milliseconds (read it again after each tick: display commands
// change it) and PressEnter on Enter, until the view's Close is called; then Shutdown. A front end
// without delays (batch) calls PressEnter while State() is stTyping: each call shows the reply up
// to its end or its next WAITRETURN, or ends that wait. Errors the controller does not handle
// itself (say, running out of memory in the engine) propagate out of these calls; the front end
// reports them and goes on, and the state stays as it was at that moment.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "charfile/date_time.h"
#include "charfile/definition_keys.h"
#include "charfile/kelmo_error.h"
#include "engine/user_profile.h"
#include "shell/chat_log.h"
#include "shell/chat_state.h"
#include "shell/chat_view.h"
#include "shell/character_install.h"
#include "shell/character_selection.h"
#include "shell/config_dialog.h"
#include "shell/hand_over.h"
#include "shell/nadenade.h"
#include "shell/settings.h"
#include "shell/typewriter.h"

namespace kelmo {

class TCharacter;
class TCharacterList;
class TCharacterSelection;
class TMainThreadCall;
class TPluginList;

// The caption suffix after the character's name, and the application title before any character.
inline constexpr std::string_view kCaptionSuffix = " - DorrinKelmo";
// The fixed words the controller says to the character on its own behalf.
inline constexpr std::string_view kGreetingWord = "KCCalled";
inline constexpr std::string_view kCloseWord = "CloseWindow";
inline constexpr std::string_view kInvalidCharacterWord = "InvalidCharacter";
inline constexpr std::string_view kReadCharacterWord = "ReadCharacter:";

// What the front end tells the controller about the program around it.
struct TControllerOptions {
  // The program folder (UTF-8 file-system path): the executable's folder, "--home DIR" or
  // KELMO_HOME. Settings, logs, "Plugins.txt" and the bundled characters live there.
  std::string AppDir;
  // The program file's name; the conversation log is named like it with ".log".
  std::string ProgramFileName = "dorrinkelmo";
  // "hwndmain" of the plug-ins: the native window id, 0 in the terminal.
  long long MainWindowHandle = 0;
  // Hands the external program runner's notice to the main thread; the front end implements it.
  TMainThreadCall* MainThread = nullptr;
  // The current local date-time; empty means the system clock. Tests and batch runs fix it.
  std::function<TDateTime()> Clock;
  // The date-time the characters' macros read; empty means the system clock. Transcript tests fix
  // it, so that replies built from the date and time can be checked.
  std::function<TDateTime()> CharacterClock;
  // Whether characters read and write their state files. Transcript tests run each case from a
  // fresh state and leave the character's files as they were.
  bool KeepsStateFiles = true;
};

class TChatController : private TDisplayCommandHost {
 public:
  // A controller that has not started: no character, state stIdle, default settings. The view
  // must outlive the controller (the destructor may still save the window position).
  TChatController(TChatView& view, TControllerOptions options);

  // Runs Shutdown when the front end has not.
  ~TChatController() override;

  TChatController(const TChatController&) = delete;
  TChatController& operator=(const TChatController&) = delete;

  // Observer of the replies (may be null); not owned.
  void SetObserver(TChatObserver* observer) { observer_ = observer; }

  // --- Start-up and shut-down --------------------------------------------------------------------

  // Start-up (FormCreate): reads the character list and the settings (an incomplete profile opens
  // the settings dialog), loads the event plug-ins (walk "E"), then loads the start character:
  // startArgument (a UTF-8 path from the command line) when not empty, else the first installed
  // character. When that fails the selection dialog is shown once; when it is cancelled or its
  // choice fails too, "起動に失敗しました" is shown and written to the error log and Start
  // returns false: the front end then calls Shutdown and exits with a non-zero status.
  bool Start(const std::string& startArgument);

  // Shut-down (FormDestroy): logs the end of the chat, saves the settings, releases the plug-ins,
  // frees the character (which saves its state file) and last writes the character list back.
  // Runs once; later calls do nothing.
  void Shutdown();

  // Loads the character definition file at the data path (Shift-JIS, as data and READCHARACTER:
  // give it) and makes it the current one, in the fixed sequence of a character load: the old
  // character is logged out and freed, the settings saved and re-applied, pictures, plug-ins
  // (walk "S"), "KE_InitCharacter", the greeting "KCCalled" and the petting menu follow. Returns
  // false, keeping the previous character, when the character cannot be constructed (any
  // EKelmoError, or an EFileError from an unreadable file); nothing is shown or logged then,
  // except for a state file that cannot be created (a failed save) and a character too large for
  // the memory, which are shown and logged.
  bool LoadCharacter(const std::string& path);

  // Every save that failed in this run (a state file, "Kelmo.ini"), as shown to the user (UTF-8),
  // in order. Each was also written to the error log; the file kept what it held before. A front
  // end that ends with these reports failure (the batch run exits non-zero).
  const std::vector<std::string>& SaveFailures() const { return saveFailures_; }

  // --- The two inputs ----------------------------------------------------------------------------

  // The front end's inputs may arrive from a nested event loop (a dialog, the splash of a load, a
  // plug-in call, a waiting sound). Every input below is refused while a load, a thought or a
  // typing step runs, so none of them can act in the middle of another; a close request is kept
  // and carried out at the first timer tick after it.

  // The Enter key in the balloon, by state: stTyping ends a WAITRETURN or fast-forwards;
  // stReplyDone empties the balloon for the user's turn; stUserInput takes the balloon text as the
  // user's line and thinks about it; stIdle and stSuspended ignore it.
  void PressEnter();

  // One timer tick: a typing step in stTyping; otherwise a kept close request, or a due timed
  // talk, is carried out.
  void TimerTimer();

  // The typing interval in milliseconds: how often the front end calls TimerTimer.
  int TimerInterval() const { return settings_.Speed; }

  // --- Menu actions ------------------------------------------------------------------------------

  // A close request (menu "終了", the window's close box, Ctrl+C, QUITSYSTEM): the closing talk
  // ("CloseWindow" answered in a message box, braces stripped), then the view's Close. With
  // sessionEnding (the desktop session is ending) the window is hidden instead of closed. Later
  // requests do nothing. During a load or a thought the request waits for the next tick.
  void RequestClose(bool sessionEnding = false);

  // The character selection (menu "人格の切り替え", CHANGECHARACTER): when a character is chosen,
  // the current character types its farewell to "ReadCharacter:" + path, which ends with the
  // READCHARACTER: command that performs the switch. Typing of an interrupted reply is dropped.
  void MenuChangeCharacterClick();

  // The settings dialog (menu "設定"): applies the confirmed values and writes "Main"/
  // "ExtensionChar", "AllowExecute" and "Plugin" at once.
  void MenuConfigureClick();

  // The about dialog (menu "DorrinKelmo について").
  void MenuAboutClick();

  // Shows or hides the main window (menu "隠す"/"戻す", ICONIZE); allowed at any time.
  void MenuChangeStateClick();

  // Toggles "常に前面に表示" and applies it to the window; allowed at any time.
  void MenuStayOnTopClick();

  // The petting action of menu item index: only in stUserInput and for an item with an action;
  // the action text is appended to what the user typed and sent as the user's line.
  void NadenadeAction(int index);

  // --- A second start's request (hand_over.cpp) --------------------------------------------------

  // Acts on what a second start on the same program folder asked (main thread). With a character
  // path: switches to it as the selection dialog would (the list of installed characters gets it
  // first, the current character types its farewell, the switch follows); Refused when the file
  // is no definition file. With Say: the line is said as the user, as a petting action is, once
  // the character has finished talking (stUserInput, or stReplyDone, whose reply the line then
  // ends as Enter would), else Busy. With neither, and whenever a path or a package was taken or
  // refused, the window is shown and brought to the front. Busy while a dialog is open or the
  // character is being thought about or loaded (the request arrived in a nested event loop);
  // Closing once the closing talk has begun.
  // With a package: installs it into the running program's list, asking before an update, and
  // answers Done with what was installed, or Refused (Busy for an install lock that stayed taken)
  // with why not; the offer to switch, or the refusal's message, follows at the next timer tick,
  // after the second start has its answer.
  THandOverAnswer TakeHandOver(const THandOverRequest& request);

  // --- Character packages (character_install.cpp) ------------------------------------------------

  // Installs the character package file (a UTF-8 file-system path), as a drop on the window or a
  // second start's "--install" asks, with the conversation suspended: the view is asked before an
  // update (a view that cannot ask updates), a refusal is shown with its reason (a declined update
  // is not), and the switch to the first installed character is offered (a view that cannot ask
  // is shown what was installed instead). The character in use, when updated, is loaded again
  // without asking, so that none of its replaced files stays in use. A switch is the selection
  // dialog's: the farewell, then READCHARACTER:. Returns the install's result; nothing, with
  // nothing shown or changed, while a load, a thought, a typing step, a dialog or the closing
  // talk runs, or before a character is up.
  std::optional<TInstallResult> InstallCharacterPackage(const std::string& package);

  // --- The conversation (also used by the tests) ------------------------------------------------

  // Asks the character about word (Shift-JIS) with the dictionary mask: "KE_BeginThink" may change
  // the word, the reply is selected and evaluated, a selection key beginning "READCHARACTER:" gets
  // "{" + key + "}" appended, and "KE_EndThink" may change the result. Empty without a character.
  std::string Think(const std::string& word, uint8_t mask);

  // Changes the state with its log entries and plug-in events (see chat_controller.cpp).
  void SetChatState(TChatState state);

  // Stores the value here and in the loaded character.
  void SetUserProfile(const TUserProfile& profile);
  void SetAllowExecute(bool allow);
  void SetPluginsEnabled(bool enabled);

  // --- What front ends and tests read ------------------------------------------------------------

  TChatState State() const { return state_; }
  // Whether the popup menu may open now; every way of opening it asks. In the user's turn or
  // after a reply, with a character loaded and no load, thought or closing talk under way.
  bool MenuMayOpen() const;
  // Whether a character is being loaded, or none has been yet (start-up).
  bool Loading() const { return loading_ || character_ == nullptr; }
  bool WaitingForReturn() const { return typewriter_.WaitingForReturn(); }
  bool IsClosed() const { return closed_; }
  const TCharacter* Character() const { return character_.get(); }
  const TSettings& Settings() const { return settings_; }
  const TUserProfile& UserProfile() const { return profile_; }
  // The balloon's lines during a reply (Shift-JIS).
  const std::vector<std::string>& OutputLines() const { return typewriter_.Lines(); }
  // A pending timed talk: whether armed, when due, what is then thought about (Shift-JIS).
  bool TimerArmed() const { return timerArmed_; }
  TDateTime TimerDue() const { return timerDue_; }
  const std::string& TimerWord() const { return timerWord_; }
  const TNadenadeMenu& Nadenade() const { return nadenade_; }
  TCharacterList& CharacterList() { return *characterList_; }
  // The program folder as a data path (Shift-JIS, ending in "/").
  const std::string& AppDir() const { return appDir_; }

 private:
  // Settings (the file format is settings.cpp's), read and written by character_loading.cpp.
  std::string SettingsPath() const;
  void LoadSettings();
  void SaveSettings();
  bool ParseUserProfile(const std::string& text);
  void SetTrayTip(const std::string& caption);

  // Logs; texts in Shift-JIS.
  void WriteChatLog(const std::string& text);
  void WriteErrorLog(const std::string& message, bool show);
  // A save that failed: shown, logged and kept in SaveFailures.
  void ReportSaveFailure(const EFileError& error);
  std::string TimeStamp() const;

  // Pictures: a file of the character folder into a slot, colour-keyed when the definition file's
  // colourKeyKey says so; a missing or undecodable file is logged and skipped.
  void LoadPicture(TPictureSlot slot, const std::string& fileName, TDefinitionKey colourKeyKey,
                   bool repaint);
  void LoadCharacterPictures();

  // One step of typed output, guarded against re-entry; the reply's end makes it stReplyDone.
  void TypeStep(bool skipPause = false);
  // Enter during a reply: the rest of it up to its end or its next wait, shown at once.
  void FastForward();

  // The display commands that reach beyond the balloon (typewriter.h).
  void ShowPicture(const std::string& file) override;
  void SetDefaultPicture(const std::string& file) override;
  void QuitSystem() override;
  void ToggleWindow() override;
  void ShowWindow() override;
  void SkipTo(const std::string& word) override;
  void PlaySound(const std::string& file, bool wait) override;
  void ScaleSpeed(int numerator, int denominator) override;
  void ScaleFont(int numerator, int denominator) override;
  void ArmTimer(int seconds, const std::string& word) override;
  void CancelTimer() override;
  void LogShownLines() override;
  void ChangeCharacter() override;
  void ReadCharacter(const std::string& path) override;
  void CommandExecuted(const std::string& written, bool known) override;

  // Makes text the reply to type from its first character; the observer hears of it when typing
  // starts (after the reply it replaces has finished), with the source of the latest Think, whose
  // reply this is.
  void InstallReply(TReplyEvent event, const std::string& line, const std::string& reply,
                    std::u16string text);
  // Whether an input from the front end may act now (see PressEnter).
  bool AcceptsInput() const { return !closed_ && !loading_ && !thinking_ && !busy_; }
  // The menu actions' work, also asked for by display commands and the start-up.
  void ChooseCharacter();
  void Configure();
  // Runs a modal dialog with the conversation suspended, restoring the state afterwards.
  void RunSuspended(const std::function<void()>& dialog);
  bool ShowSelection(TCharacterSelection& selection);
  // The current character types its farewell to "ReadCharacter:" + path (a data path); the
  // READCHARACTER: command at its end performs the switch.
  void SayFarewell(const std::string& path);
  // Whether a package may be installed now (see InstallCharacterPackage).
  bool MayInstallNow() const;
  // The install and its questions, the conversation already suspended (character_install.cpp):
  // InstallAskingFirst asks before an update, FollowUpInstall shows a refusal or offers the switch
  // and returns the definition file (a data path) to switch to, empty for none.
  TPackageOffer InstallAndOffer(const std::string& package);
  TInstallResult InstallAskingFirst(const std::string& package);
  std::string FollowUpInstall(const TInstallResult& result);
  // A second start's package, when the controller may act; the follow-up waits in pendingInstall_.
  THandOverAnswer TakeHandedOverPackage(const std::string& package);
  // The timer's part, once MayInstallNow: the follow-up of a handed-over install, then the switch
  // chosen.
  void FollowUpHandedOverInstall();
  // Asks about removing the character (a data path), then moves it to the trash, showing why when
  // it could not; true when its files are gone.
  bool RemoveWithConfirmation(const std::string& dataPath);
  // The selection dialog's package buttons, served by the two above.
  TSelectionPackageActions PackageActions();
  // text (Shift-JIS) as the user's line, after whatever the user has typed; stUserInput only.
  void SayAsUser(const std::string& text);
  void Broadcast(std::u16string_view event, std::u16string& text);
  std::string BalloonTextShiftJis() const;
  void SetBalloonText(const std::string& shiftJisText);
  void ReportReplyFinished();
  TDateTime Now() const;

  TChatView& view_;
  TControllerOptions options_;
  TChatObserver* observer_ = nullptr;

  std::unique_ptr<TCharacter> character_;
  std::unique_ptr<TCharacterList> characterList_;
  std::unique_ptr<TPluginList> plugins_;
  TNadenadeMenu nadenade_;

  TTypewriter typewriter_;
  bool busy_ = false;            // TypeStep is running
  bool loading_ = false;         // LoadCharacter is running
  bool thinking_ = false;        // Think is running
  std::optional<TEntrySource> thoughtSource_;  // where the latest Think's reply was written
  std::optional<bool> pendingClose_;  // a close (sessionEnding) kept from a load or a thought
  std::optional<TInstallResult> pendingInstall_;  // a handed-over install to follow up
  struct TStartedReply {
    TReplyEvent Event;
    std::string Line;   // UTF-8
    std::string Reply;  // UTF-8
    std::optional<TEntrySource> Source;
  };
  std::optional<TStartedReply> startedReply_;  // installed, not yet reported to the observer
  bool timerArmed_ = false;                    // a timed talk is pending
  TDateTime timerDue_ = 0;
  std::string timerWord_;  // Shift-JIS

  std::string appDir_;  // data path ending in "/"
  TSettings settings_;
  TUserProfile profile_;
  bool profileValid_ = false;  // profile_ holds a complete profile (parsed or confirmed)
  TChatState state_ = stIdle;
  bool closed_ = false;
  bool closing_ = false;  // the closing talk is running
  bool shutDown_ = false;
  std::vector<std::string> saveFailures_;  // UTF-8
  TChatLog log_;
};

}  // namespace kelmo
