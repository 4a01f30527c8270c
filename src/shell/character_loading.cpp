// Start-up, character loading and shut-down, with the settings they read and write.
//
// LoadCharacter keeps the fixed sequence of a character load (its numbered steps): which log
// entries, plug-in events and view changes happen, and in which order, is the program's contract
// with character authors and plug-ins.
#include <exception>
#include <new>
#include <utility>

#include "charfile/character_file.h"
#include "charfile/character_list.h"
#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/kelmo_error.h"
#include "charfile/text_utils.h"
#include "engine/character.h"
#include "plugins/plugin_list.h"
#include "plugins/plugin_loader.h"
#include "shell/character_selection.h"
#include "shell/chat_controller.h"
#include "shell/flag_guard.h"

namespace kelmo {
namespace {

// The plug-in walks: extended plug-ins into the program's list, basic ones into the character's.
constexpr char16_t kExtendedPluginLetter = u'E';
constexpr char16_t kBasicPluginLetter = u'S';
constexpr std::u16string_view kInitCharacterEvent = u"KE_InitCharacter";

// Conversation log marks, after the time stamp.
constexpr std::string_view kStartChattingMark = "# Start chatting with ";
constexpr std::string_view kEndChattingMark = "# End chatting with ";

// Texts shown to the user (UTF-8).
constexpr std::string_view kStartFailedMessage = "起動に失敗しました";
constexpr std::string_view kSplashStarting = "起動中...";
constexpr std::string_view kSplashPlugins = "Plug-in を読み込んでいます...";
// A load that ran out of memory; the definition file's path follows.
constexpr std::string_view kTooLargeMessage = "人格が大きすぎてメモリに読み込めません: ";

}  // namespace

bool TChatController::Start(const std::string& startArgument) {
  characterList_ = std::make_unique<TCharacterList>(SettingsPath());
  std::string startPath;
  if (!startArgument.empty()) {
    startPath = FromFileSystemPath(startArgument);
  } else if (!characterList_->Items.empty()) {
    startPath = characterList_->Items.front();
  }
  view_.ResetPictures(true);
  LoadSettings();  // may open the settings dialog for the profile
  LoadPlugins(*plugins_, kExtendedPluginLetter, settings_.PluginsEnabled);
  if (LoadCharacter(startPath)) return true;

  view_.SetVisible(false);
  TCharacterSelection selection(*characterList_, appDir_);
  if (ShowSelection(selection) && LoadCharacter(selection.SelectedPath())) return true;
  WriteErrorLog(Utf8ToShiftJis(kStartFailedMessage), true);
  return false;
}

bool TChatController::LoadCharacter(const std::string& path) {
  const TFlagGuard loading(loading_);
  // 1-2: the window makes way for the splash.
  view_.SetVisible(false);
  view_.SetSplashText(std::string(kSplashStarting));

  // The current character's state reaches its file first: when the same character is loaded
  // again, the new one would otherwise read the file from before this session.
  if (character_ != nullptr) {
    try {
      character_->SaveState();
    } catch (const EFileError& error) {
      ReportSaveFailure(error);  // tried once more, silently, when the old character goes
    }
  }

  // 3: construct; a character that cannot be loaded leaves everything as it was.
  TCharacterEnvironment environment;
  environment.Plugins = plugins_->Environment();
  environment.MainThread = options_.MainThread;
  environment.LogError = [this](const std::string& message) { WriteErrorLog(message, false); };
  environment.Clock = options_.CharacterClock;
  environment.KeepsStateFile = options_.KeepsStateFiles;
  std::unique_ptr<TCharacter> loaded;
  try {
    loaded = std::make_unique<TCharacter>(path, environment);
  } catch (const EKelmoError&) {
  } catch (const EFileWriteError& error) {
    ReportSaveFailure(error);  // its first state file could not be created
  } catch (const EFileError&) {
    // An unreadable dictionary or definition file fails the load like an invalid character.
  } catch (const std::bad_alloc&) {
    // The half-built character is gone again, so there is memory to say so.
    WriteErrorLog(Utf8ToShiftJis(kTooLargeMessage) + path, true);
  }
  if (loaded == nullptr) {
    view_.CloseSplash();
    view_.SetVisible(true);
    return false;
  }

  // 4: the old character says goodbye to the log and goes (saving its state file).
  if (character_ != nullptr) {
    SetChatState(stReplyDone);
    WriteChatLog(TimeStamp() + std::string(kEndChattingMark) + character_->Name);
    character_.reset();
  }
  // 5-6
  SaveSettings();
  character_ = std::move(loaded);
  const std::string caption = character_->Name + std::string(kCaptionSuffix);
  view_.SetCaption(ShiftJisToUtf8(caption));
  SetTrayTip(caption);

  // 7-10
  view_.SetCharacterFolder(ResolveDataPath(character_->CharacterFile->Folder));
  LoadCharacterPictures();
  LoadSettings();  // hands the profile and the switches to the new character
  WriteChatLog(TimeStamp() + std::string(kStartChattingMark) + character_->Name);

  // 11-13: plug-ins.
  view_.SetSplashText(std::string(kSplashPlugins));
  LoadPlugins(*character_->Plugins, kBasicPluginLetter, settings_.PluginsEnabled);
  std::u16string parameters = ShiftJisToUtf16("charpath=" + EscapeParam(path) + "&" +
                                              "charname=" + EscapeParam(character_->Name));
  Broadcast(kInitCharacterEvent, parameters);
  character_->Plugins->Broadcast(std::u16string(kInitCharacterEvent), parameters);

  // 14: the greeting.
  const std::string greeting = Think(std::string(kGreetingWord), DictMaskBasic);
  if (!greeting.empty()) {
    InstallReply(TReplyEvent::Greeting, std::string(kGreetingWord), greeting,
                 ShiftJisToUtf16(greeting));
    SetChatState(stTyping);
  } else {
    SetChatState(stUserInput);
  }

  // 15-16: the petting menu, then the window comes back.
  for (const std::string& problem :
       nadenade_.Load(*character_->CharacterFile, appDir_, &character_->Root())) {
    WriteErrorLog(problem, false);
  }
  view_.SetPettingMenu(ShiftJisLinesToUtf8(nadenade_.Labels()));
  view_.CloseSplash();
  view_.SetVisible(true);
  return true;
}

void TChatController::LoadCharacterPictures() {
  const TCharacterFile& file = *character_->CharacterFile;
  const bool ownBalloons = TextToBool(file.ReadValue(TDefinitionKey::OriginalBalloon));
  view_.ResetPictures(!ownBalloons);
  if (ownBalloons) {
    LoadPicture(TPictureSlot::BalloonCharacter, file.ReadValue(TDefinitionKey::BalloonChar),
                TDefinitionKey::TransparentBalloon, true);
    LoadPicture(TPictureSlot::BalloonUser, file.ReadValue(TDefinitionKey::BalloonUser),
                TDefinitionKey::TransparentBalloon, true);
  }
  LoadPicture(TPictureSlot::Default, file.ReadValue(TDefinitionKey::DefaultBitmap),
              TDefinitionKey::TransparentBitmap, true);
  view_.ShowDefaultPicture();
  view_.Repaint();
}

void TChatController::LoadPicture(TPictureSlot slot, const std::string& fileName,
                                  TDefinitionKey colourKeyKey, bool repaint) {
  if (character_ == nullptr) return;
  const TCharacterFile& file = *character_->CharacterFile;
  const std::string path = file.PathInFolder(fileName);
  const std::string existing = character_->ExistingDataFile(path);
  if (existing.empty()) {
    WriteErrorLog(path + " is not exists.", false);
    return;
  }
  const bool colourKey = TextToBool(file.ReadValue(colourKeyKey));
  if (!view_.LoadPicture(slot, existing, colourKey)) {
    WriteErrorLog(path + " is invalid bitmap.", false);
    return;
  }
  if (repaint) view_.Repaint();
}

void TChatController::Shutdown() {
  if (shutDown_ || characterList_ == nullptr) return;
  shutDown_ = true;
  if (character_ != nullptr) {
    WriteChatLog(TimeStamp() + std::string(kEndChattingMark) + character_->Name);
  }
  SaveSettings();
  plugins_.reset();
  if (character_ != nullptr) {
    try {
      character_->SaveState();
    } catch (const EFileError& error) {
      ReportSaveFailure(error);
    }
  }
  character_.reset();  // writes its state file once more, and ends what it started
  try {
    characterList_->Save();  // the list of installed characters, last
  } catch (const EFileError& error) {
    ReportSaveFailure(error);
  }
  characterList_.reset();
}

// ----- Settings ---------------------------------------------------------------------------------

void TChatController::LoadSettings() {
  settings_ = ReadSettings(SettingsPath());
  view_.SetZoom(settings_.Zoom);  // before the place: a centred window centres at its new size
  view_.SetDesktopMode(settings_.DesktopMode);
  view_.PlaceWindow({settings_.Top, settings_.Left});
  view_.SetStayOnTop(settings_.StayOnTop);
  view_.SetBalloonFont(ShiftJisToUtf8(settings_.FontName), settings_.FontSize);
  SetPluginsEnabled(settings_.PluginsEnabled);
  SetAllowExecute(settings_.AllowExecute);
  if (!ParseUserProfile(settings_.UserProfileText)) Configure();
}

void TChatController::SaveSettings() {
  if (const std::optional<TWindowPosition> position = view_.WindowPosition()) {
    settings_.Top = position->Top;
    settings_.Left = position->Left;
  }
  if (const std::optional<bool> desktop = view_.DesktopMode()) settings_.DesktopMode = *desktop;
  try {
    // An incomplete profile is not written over what the file holds.
    WriteSettings(SettingsPath(), settings_, profileValid_, FormatUserProfile(profile_));
  } catch (const EFileError& error) {
    ReportSaveFailure(error);
  }
}

}  // namespace kelmo
