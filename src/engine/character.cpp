// Loading a character, and its state file.
//
// Construction runs a fixed sequence of checks and loads; every failure raises before the state
// file is touched, and the members built so far are released by their owners, so nothing of a
// refused character survives. The state file holds slots 50 to 99 of the memo, counter and flag
// arrays as 150 lines, always scrambled with the character's name. It is written only when it is
// missing and when the character is destroyed, each time replaced in one step. Every file the
// definition names is looked for inside the character's root only (data_root.h).
#include "engine/character.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

#include "charfile/code_page.h"
#include "charfile/crypt.h"
#include "charfile/data_path.h"
#include "charfile/load_listener.h"
#include "charfile/text_file.h"
#include "charfile/text_utils.h"
#include "dictionary/kelmo_data_0.h"
#include "dictionary/kelmo_data_a.h"
#include "dictionary/kelmo_data_b.h"
#include "dictionary/kelmo_data_c.h"
#include "engine/compiled_conditions.h"
#include "engine/entrust.h"
#include "engine/evaluator.h"
#include "engine/number_text.h"
#include "engine/pattern_cache.h"

namespace kelmo {
namespace {

// The oldest definition-file version this program reads.
constexpr int kOldestSupportedVersion = 210;

// The state file's extension, replacing the definition file's.
constexpr std::string_view kStateFileExtension = ".kls";

// Number of persistent slots of each array, and so of state-file lines per array.
constexpr int kStoredSlotCount = kSlotCount - kFirstStoredSlot;
// Lines of the state file's plain content: memo, counter and flag lines.
constexpr size_t kStateLineCount = 3 * kStoredSlotCount;

// The "version" value as a decimal integer; 0 when it is empty or not one.
int ReadVersion(std::string_view text) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  int version = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), version);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return 0;
  return version;
}

bool IsRegularFile(const std::string& fileSystemPath) {
  struct stat info;
  return ::stat(fileSystemPath.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A text as one line of the state file: bytes below 32 (line breaks above all) would cut the line
// or not survive scrambling, so they are written as blanks. Such bytes are never trail bytes of
// double-byte characters, so the rest of the text stays intact.
std::string AsStateLine(std::string_view text) {
  std::string line(text);
  for (char& byte : line) {
    if (static_cast<unsigned char>(byte) < 32) byte = ' ';
  }
  return line;
}

}  // namespace

std::string_view EKelmoInvalidCharacter::MessageOf(TReason reason) {
  switch (reason) {
    case TReason::NotFound:
      return "characterfile is not found";
    case TReason::Invalid:
      return "characterfile is invalid";
    case TReason::OldVersion:
      return "character is not supported in this version";
    case TReason::ContainsNoData:
      return "character contains no data";
  }
  return {};
}

TCharacter::TCharacter(std::string_view definitionPath, const TCharacterEnvironment& environment)
    : environment_(environment),
      root_(TDataRoot::ForCharacter(definitionPath, environment.Plugins.ProgramFolder)) {
  if (!DataFileExists(definitionPath)) {
    throw EKelmoInvalidCharacter(EKelmoInvalidCharacter::TReason::NotFound);
  }
  if (!IsValidCharacterFile(definitionPath)) {
    throw EKelmoInvalidCharacter(EKelmoInvalidCharacter::TReason::Invalid);
  }
  CharacterFile = std::make_unique<TCharacterFile>(definitionPath);
  if (ReadVersion(CharacterFile->ReadValue(TDefinitionKey::Version)) < kOldestSupportedVersion) {
    throw EKelmoInvalidCharacter(EKelmoInvalidCharacter::TReason::OldVersion);
  }

  Plugins = std::make_unique<TPluginList>(environment_.Plugins);
  LikePatterns = std::make_unique<TPatternCache>();
  MacroScratch = std::make_unique<TMacroScratch>();
  MacroScratch->Clock.Follow(environment_.Clock);
  DefinitionPath = std::string(definitionPath);
  Folder = ResolveCharacterFolder(definitionPath, CharacterFile->ReadValue(TDefinitionKey::Folder));
  // A folder outside the root counts as missing, and with it everything in it.
  if (!InsideRoot(ResolveDataPath(Folder), Folder)) {
    throw EKelmoInvalidCharacter(EKelmoInvalidCharacter::TReason::ContainsNoData);
  }
  CreateDictionaries();
  LoadDictionaries();
  const std::array<TKelmoData*, kDictionaryCount> dictionaries = Dictionaries();
  if (std::none_of(dictionaries.begin(), dictionaries.end(),
                   [](const TKelmoData* dictionary) { return dictionary->AvailableCount > 0; })) {
    throw EKelmoInvalidCharacter(EKelmoInvalidCharacter::TReason::ContainsNoData);
  }

  if (environment_.KeepsStateFile) {
    statePath_ = CharacterFile->PathInFolder(
        ChangeFileExtension(ExtractFileName(definitionPath), kStateFileExtension));
    if (!StateFileInPlace()) SaveState();  // Name is still empty: an unscrambled body
  }
  Name = CharacterFile->ReadValue(TDefinitionKey::Name);
  LoadState();
  LoadTime = MacroScratch->Clock.Now();
}

TCharacter::~TCharacter() {
  if (!Name.empty()) {
    try {
      SaveState();
    } catch (const std::exception&) {
      // A destructor cannot pass the error on; the atomic write left the previous file whole.
    }
  }
  CharacterFile.reset();
  Plugins.reset();
  // Nothing the character started may outlive it: the watched program and what it started go.
  if (Runner) Runner->EndProgram();
  Runner.reset();
  Data01.reset();
  Data02.reset();
  DataA1.reset();
  DataA2.reset();
  DataB1.reset();
  DataB2.reset();
  DataC1.reset();
  DataC2.reset();
}

const std::u16string& TCharacter::TWideCopy::Of(const std::string& text) const {
  if (text != source_) {
    source_ = text;
    wide_ = ShiftJisToUtf16(text);
  }
  return wide_;
}

bool TCharacter::AddPlugin(const std::u16string& progId) {
  return Plugins->AddPlugin(progId);
}

std::string TCharacter::ExistingDataFile(std::string_view dataPath) const {
  const std::string path = ResolveDataPath(dataPath);
  return IsRegularFile(path) && InsideRoot(path, dataPath) ? path : std::string();
}

bool TCharacter::InsideRoot(const std::string& fileSystemPath, std::string_view dataPath) const {
  if (root_.Contains(fileSystemPath)) return true;
  LogError(root_.OutsideMessage(dataPath));
  return false;
}

void TCharacter::LogError(const std::string& message) const {
  if (environment_.LogError) environment_.LogError(message);
}

bool TCharacter::StateFileInPlace() const {
  return !ExistingDataFile(statePath_).empty();
}

void TCharacter::CreateDictionaries() {
  const TKelmoData::TEvaluator evaluator = [this](std::u16string_view text) {
    return Evaluate(text);
  };
  Data01 = std::make_unique<TKelmoData0>(true, evaluator);
  Data02 = std::make_unique<TKelmoData0>(false, evaluator);
  Conditions01 = std::make_unique<TCompiledConditions>(*this);
  Conditions02 = std::make_unique<TCompiledConditions>(*this);
  Data01->SetConditionPrograms(Conditions01.get());
  Data02->SetConditionPrograms(Conditions02.get());
  DataA1 = std::make_unique<TKelmoDataA>(true, evaluator);
  DataA2 = std::make_unique<TKelmoDataA>(false, evaluator);
  DataB1 = std::make_unique<TKelmoDataB>(true, evaluator);
  DataB2 = std::make_unique<TKelmoDataB>(false, evaluator);
  DataC1 = std::make_unique<TKelmoDataC>(true, evaluator);
  DataC2 = std::make_unique<TKelmoDataC>(false, evaluator);
}

void TCharacter::LoadDictionaries() {
  const std::array<TKelmoData*, kDictionaryCount> dictionaries = Dictionaries();
  // Resolved here, on this thread, with one resolver: a key naming thousands of files in one
  // folder has that folder read once.
  TPathResolver resolver;
  std::array<std::vector<std::string>, kDictionaryCount> paths;
  for (size_t i = 0; i < dictionaries.size(); ++i) {
    TLoadListener* listener = environment_.DictionaryListeners[i];
    dictionaries[i]->SetListener(listener);
    for (const std::string& item : SplitCommaText(CharacterFile->ReadValue(kDictionarySlots[i].Key))) {
      const std::string dataPath = Folder + item;
      std::string path = resolver.Resolve(dataPath);
      if (IsRegularFile(path) && InsideRoot(path, dataPath)) {
        paths[i].push_back(std::move(path));
      } else if (listener != nullptr) {
        listener->FileMissing(dataPath);
      }
    }
  }

  // The dictionaries share nothing while they load, and a large character spends most of its
  // load analysing patterns: a second thread takes every other dictionary, one of each kind. Each
  // thread stops at its first failure, as one loop would; the failure of the lowest dictionary
  // is the one one loop would have met first, and it is the one raised.
  std::array<std::exception_ptr, kDictionaryCount> failures;
  const auto load = [&](size_t first) {
    for (size_t i = first; i < dictionaries.size(); i += 2) {
      try {
        for (const std::string& path : paths[i]) dictionaries[i]->LoadResolvedFile(path);
      } catch (...) {
        failures[i] = std::current_exception();
        return;
      }
    }
  };
  std::thread second;
  try {
    second = std::thread(load, 1);
  } catch (const std::system_error&) {
    load(1);  // no thread to be had: the same work on this one
  }
  load(0);
  if (second.joinable()) second.join();
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

std::array<TKelmoData*, kDictionaryCount> TCharacter::Dictionaries() const {
  return {Data01.get(), Data02.get(), DataA1.get(), DataA2.get(),
          DataB1.get(), DataB2.get(), DataC1.get(), DataC2.get()};
}

void TCharacter::SaveState() {
  if (statePath_.empty()) return;  // loaded without its state file
  std::vector<std::string> lines;
  lines.reserve(kStateLineCount + 1);
  for (int slot = kFirstStoredSlot; slot < kSlotCount; ++slot)
    lines.push_back(AsStateLine(Memo[slot]));
  for (int slot = kFirstStoredSlot; slot < kSlotCount; ++slot)
    lines.push_back(FormatNumber(Counter[slot]));
  for (int slot = kFirstStoredSlot; slot < kSlotCount; ++slot)
    lines.push_back(BoolToText(Flag[slot]));
  TCrypt crypt(TCrypt::Scramble);
  crypt.SetKey(AsStateLine(Name));  // the key travels in the header line
  crypt.TransformList(lines);
  SaveLines(statePath_, lines);
}

void TCharacter::LoadState() {
  std::vector<std::string> lines;
  if (!statePath_.empty()) {
    // A state file outside the root (a symbolic link, say) is replaced by one of the character's.
    if (!StateFileInPlace()) SaveState();
    lines = LoadLines(statePath_);
    UnscrambleIfNeeded(lines);
  }
  Memo.fill({});
  Counter.fill(0);
  Flag.fill(false);
  if (lines.size() < kStateLineCount) return;
  for (int i = 0; i < kStoredSlotCount; ++i) {
    const int slot = kFirstStoredSlot + i;
    Memo[slot] = lines[i];
    long double value = 0;
    if (TryReadNumber(ShiftJisToUtf16(lines[kStoredSlotCount + i]), value)) {
      Counter[slot] = static_cast<double>(value);
    }
    Flag[slot] = TextToBool(lines[2 * kStoredSlotCount + i]);
  }
}

}  // namespace kelmo
