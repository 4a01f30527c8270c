// The chat controller's state machine, thinking, the two inputs, the closing talk, start-up,
// character loading, shut-down and the menu actions. The typed output and the display commands
// are in display_commands.cpp.
//
// The orders below are the program's contract with character authors and plug-ins: which log
// entries, plug-in events and view changes happen, and in which sequence. Each function keeps its
// steps in that order; the comments name the steps that are easy to get wrong.
#include "shell/chat_controller.h"

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

#include "charfile/character_file.h"
#include "charfile/character_list.h"
#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/kelmo_error.h"
#include "charfile/text_file.h"
#include "charfile/text_utils.h"
#include "engine/character.h"
#include "plugins/plugin_list.h"
#include "plugins/plugin_loader.h"
#include "shell/about_texts.h"
#include "shell/character_selection.h"
#include "shell/file_error_text.h"

namespace kelmo {
namespace {

// Plug-in events.
constexpr std::u16string_view kBeginThinkEvent = u"KE_BeginThink";
constexpr std::u16string_view kEndThinkEvent = u"KE_EndThink";
constexpr std::u16string_view kBeginRespondEvent = u"KE_BeginRespond";
constexpr std::u16string_view kEndRespondEvent = u"KE_EndRespond";
constexpr std::u16string_view kInitCharacterEvent = u"KE_InitCharacter";
// The plug-in walks: extended plug-ins into the program's list, basic ones into the character's.
constexpr char16_t kExtendedPluginLetter = u'E';
constexpr char16_t kBasicPluginLetter = u'S';

// A selection key beginning with this makes Think append it as a display command.
constexpr std::string_view kReadCharacterKey = "READCHARACTER:";

// Conversation log marks, after the time stamp.
constexpr std::string_view kStartChattingMark = "# Start chatting with ";
constexpr std::string_view kEndChattingMark = "# End chatting with ";

// Texts shown to the user (UTF-8).
constexpr std::string_view kStartFailedMessage = "起動に失敗しました";
constexpr std::string_view kErrorLogNotice = "(エラーメッセージはKelmoErr.logに記録されます)";
constexpr std::string_view kSplashStarting = "起動中...";
constexpr std::string_view kSplashPlugins = "Plug-in を読み込んでいます...";
// A load that ran out of memory; the definition file's path follows.
constexpr std::string_view kTooLargeMessage = "人格が大きすぎてメモリに読み込めません: ";

// The tray tip holds 64 bytes with its terminator; a longer caption leaves the previous tip.
constexpr size_t kTrayTipMaxBytes = 62;

// Definition-file keys read for pictures.
constexpr std::string_view kOriginalBalloonKey = "originalballoon";
constexpr std::string_view kBalloonCharKey = "balloonchar";
constexpr std::string_view kBalloonUserKey = "balloonuser";
constexpr std::string_view kTransparentBalloonKey = "transparentballoon";
constexpr std::string_view kDefaultBitmapKey = "DefaultBitmap";
constexpr std::string_view kTransparentBitmapKey = "transparentbitmap";

std::vector<std::string> ToUtf8Lines(const std::vector<std::string>& shiftJisLines) {
  std::vector<std::string> lines;
  lines.reserve(shiftJisLines.size());
  for (const std::string& line : shiftJisLines) lines.push_back(ShiftJisToUtf8(line));
  return lines;
}

}  // namespace

TChatController::TChatController(TChatView& view, TControllerOptions options)
    : view_(view),
      options_(std::move(options)),
      appDir_(IncludeTrailingDelimiter(FromFileSystemPath(options_.AppDir))),
      log_(appDir_, options_.ProgramFileName) {
  plugins_ = std::make_unique<TPluginList>(TPluginEnvironment{appDir_, options_.MainWindowHandle});
}

TChatController::~TChatController() {
  try {
    Shutdown();
  } catch (const std::exception&) {
    // Nothing can be reported from here; the files written so far are whole (atomic writes).
  }
}

// ----- Thinking and the state machine -----------------------------------------------------------

std::string TChatController::Think(const std::string& word, uint8_t mask) {
  if (character_ == nullptr) return {};
  std::u16string text = ShiftJisToUtf16(word);
  Broadcast(kBeginThinkEvent, text);
  std::u16string reply = character_->Evaluate(character_->SelectReply(text, mask));
  // A reply to "ReadCharacter:" + path ends with the command that performs the switch.
  const std::string& key = character_->OperateMessage;
  if (key.starts_with(kReadCharacterKey)) reply += u"{" + ShiftJisToUtf16(key) + u"}";
  Broadcast(kEndThinkEvent, reply);
  return Utf16ToShiftJis(reply);
}

void TChatController::SetChatState(TChatState state) {
  const TChatState old = state_;
  if (old == stTyping) {
    WriteChatLog(OutputText());
    if (state != stSuspended) ReportReplyFinished();
  } else if (old == stUserInput) {
    WriteChatLog(RemoveLineBreaks(BalloonTextShiftJis()));
  } else if (old == stSuspended) {
    // Back from a dialog: everything is as the dialog found it.
    state_ = state;
    return;
  }
  state_ = state;
  if (state == stSuspended) return;

  if (state == stTyping && startedReply_) {
    if (observer_ != nullptr) {
      observer_->ReplyStarted(startedReply_->Event, startedReply_->Line, startedReply_->Reply);
    }
    startedReply_.reset();
  }
  view_.SetBalloonReadOnly(false);
  if (state == stTyping) {
    Broadcast(kBeginRespondEvent, replyText_);
    view_.SetBalloonReadOnly(true);
  } else if (state == stReplyDone) {
    std::u16string shown = ShiftJisToUtf16(OutputText());
    Broadcast(kEndRespondEvent, shown);
    view_.SetBalloonReadOnly(true);
  }
  lineIndex_ = 0;
  outputLines_.clear();
  balloonInSync_ = false;
  view_.Repaint();  // the balloon picture follows the state
}

void TChatController::InstallReply(TReplyEvent event, const std::string& line,
                                   const std::string& reply, std::u16string text) {
  replyText_ = std::move(text);
  typePos_ = 1;
  ++replyGeneration_;
  // A pause or a wait left over at the very end of the previous reply must not hold up this one.
  delayTicks_ = 0;
  waitingForReturn_ = false;
  startedReply_ = TStartedReply{event, ShiftJisToUtf8(line), ShiftJisToUtf8(reply)};
}

void TChatController::ReportReplyFinished() {
  if (observer_ != nullptr) observer_->ReplyFinished(ToUtf8Lines(outputLines_));
}

// ----- The two inputs ---------------------------------------------------------------------------

void TChatController::PressEnter() {
  if (closed_) return;
  switch (state_) {
    case stTyping:
      if (waitingForReturn_) {
        waitingForReturn_ = false;
        EraseLastOutputChar();  // the wait mark
        return;
      }
      FastForward();
      return;
    case stReplyDone:
      SetBalloonText("");
      SetChatState(stUserInput);
      return;
    case stUserInput: {
      SetChatState(stIdle);  // logs what the user typed
      const std::string line = RemoveLineBreaks(BalloonTextShiftJis());
      SetBalloonText("");
      const std::string reply = Think(line, DictMaskAll);
      InstallReply(TReplyEvent::Reply, line, reply, ShiftJisToUtf16(reply));
      view_.ShowDefaultPicture();  // each reply starts from the default picture
      SetChatState(stTyping);
      return;
    }
    case stIdle:
    case stSuspended:
      return;
  }
}

void TChatController::TimerTimer() {
  if (closed_) return;
  if (state_ == stTyping) {
    TypeStep();
    return;
  }
  if (!timerArmed_ || Now() < timerDue_) return;
  timerArmed_ = false;
  const TChatState previous = state_;
  SetChatState(stIdle);
  const std::string reply = Think(timerWord_, DictMaskAll);
  if (reply.empty() || character_ == nullptr) {
    SetChatState(previous);
    return;
  }
  // Typed from its start even when the last reply was cut short by a switch or a close.
  InstallReply(TReplyEvent::TimedTalk, timerWord_, reply,
               character_->Evaluate(ShiftJisToUtf16(reply)));
  SetBalloonText("");
  SetChatState(stTyping);
  view_.ShowAndActivate();
}

// ----- Closing ----------------------------------------------------------------------------------

void TChatController::RequestClose(bool sessionEnding) {
  if (closed_ || closing_) return;
  closing_ = true;
  if (character_ != nullptr) {
    const std::string reply = Think(std::string(kCloseWord), DictMaskBasic);
    if (observer_ != nullptr) {
      observer_->ReplyStarted(TReplyEvent::Close, std::string(kCloseWord), ShiftJisToUtf8(reply));
    }
    std::u16string words = character_->Evaluate(ShiftJisToUtf16(reply));
    Broadcast(kBeginRespondEvent, words);
    const std::string shown = Utf16ToShiftJis(StripBraces(words));
    if (!shown.empty()) {
      view_.ShowMessage(ShiftJisToUtf8(shown));
      WriteChatLog(shown);
    }
    if (observer_ != nullptr) observer_->ReplyFinished(ToUtf8Lines(SplitLines(shown)));
  }
  closing_ = false;
  if (sessionEnding) {
    view_.SetVisible(false);
    return;
  }
  closed_ = true;
  view_.Close();
}

// ----- Start-up, loading, shut-down -------------------------------------------------------------

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
  view_.SetPettingMenu(ToUtf8Lines(nadenade_.Labels()));
  view_.CloseSplash();
  view_.SetVisible(true);
  return true;
}

void TChatController::LoadCharacterPictures() {
  const TCharacterFile& file = *character_->CharacterFile;
  const bool ownBalloons = TextToBool(file.ReadValue(kOriginalBalloonKey));
  view_.ResetPictures(!ownBalloons);
  if (ownBalloons) {
    LoadPicture(TPictureSlot::BalloonCharacter, file.ReadValue(kBalloonCharKey),
                kTransparentBalloonKey, true);
    LoadPicture(TPictureSlot::BalloonUser, file.ReadValue(kBalloonUserKey), kTransparentBalloonKey,
                true);
  }
  LoadPicture(TPictureSlot::Default, file.ReadValue(kDefaultBitmapKey), kTransparentBitmapKey,
              true);
  view_.ShowDefaultPicture();
  view_.Repaint();
}

void TChatController::LoadPicture(TPictureSlot slot, const std::string& fileName,
                                  std::string_view keyName, bool repaint) {
  if (character_ == nullptr) return;
  const TCharacterFile& file = *character_->CharacterFile;
  const std::string path = file.PathInFolder(fileName);
  const std::string existing = character_->ExistingDataFile(path);
  if (existing.empty()) {
    WriteErrorLog(path + " is not exists.", false);
    return;
  }
  const bool colourKey = TextToBool(file.ReadValue(keyName));
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

// ----- Switching and the menu -------------------------------------------------------------------

void TChatController::RunSuspended(const std::function<void()>& dialog) {
  const TChatState remembered = state_;
  SetChatState(stSuspended);
  dialog();
  SetChatState(remembered);
}

bool TChatController::ShowSelection(TCharacterSelection& selection) {
  bool chosen = false;
  RunSuspended([&] { chosen = view_.ShowCharacterSelection(selection); });
  return chosen && !selection.Cancelled() && !selection.SelectedPath().empty();
}

void TChatController::MenuChangeCharacterClick() {
  if (characterList_ == nullptr || closed_) return;
  TCharacterSelection selection(*characterList_, appDir_);
  if (!ShowSelection(selection)) return;
  SayFarewell(selection.SelectedPath());
}

void TChatController::SayFarewell(const std::string& path) {
  const std::string line = std::string(kReadCharacterWord) + path;
  const std::string reply = Think(line, DictMaskBasic);
  InstallReply(TReplyEvent::Farewell, line, reply, ShiftJisToUtf16(reply));
  SetChatState(stTyping);
}

void TChatController::MenuConfigureClick() {
  TConfigDialogData data = ConfigDialogData();
  bool confirmed = false;
  RunSuspended([&] { confirmed = view_.ShowSettingsDialog(data); });
  if (confirmed && ValidateConfig(data).empty()) ApplyConfig(data);
}

void TChatController::MenuAboutClick() {
  const TAboutTexts texts = BuildAboutTexts(character_.get());
  RunSuspended([&] { view_.ShowAboutDialog(texts); });
}

void TChatController::MenuChangeStateClick() {
  view_.SetVisible(!view_.IsVisible());
}

void TChatController::MenuStayOnTopClick() {
  settings_.StayOnTop = !settings_.StayOnTop;
  view_.SetStayOnTop(settings_.StayOnTop);
}

void TChatController::NadenadeAction(int index) {
  if (state_ != stUserInput || closed_) return;
  const std::string* action = nadenade_.ActionAt(index);
  if (action == nullptr) return;
  SayAsUser(*action);
}

void TChatController::SayAsUser(const std::string& text) {
  // Whatever the user had typed stays in front of the text.
  SetBalloonText(BalloonTextShiftJis() + text);
  PressEnter();
  view_.ShowAndActivate();
}

// ----- Settings ---------------------------------------------------------------------------------

std::string TChatController::SettingsPath() const {
  return appDir_ + std::string(kSettingsFileName);
}

void TChatController::LoadSettings() {
  settings_ = ReadSettings(SettingsPath());
  view_.SetZoom(settings_.Zoom);  // before the place: a centred window centres at its new size
  view_.PlaceWindow({settings_.Top, settings_.Left});
  view_.SetStayOnTop(settings_.StayOnTop);
  view_.SetBalloonFont(ShiftJisToUtf8(settings_.FontName), settings_.FontSize);
  SetPluginsEnabled(settings_.PluginsEnabled);
  SetAllowExecute(settings_.AllowExecute);
  if (!ParseUserProfile(settings_.UserProfileText)) MenuConfigureClick();
}

void TChatController::SaveSettings() {
  if (const std::optional<TWindowPosition> position = view_.WindowPosition()) {
    settings_.Top = position->Top;
    settings_.Left = position->Left;
  }
  try {
    // An incomplete profile is not written over what the file holds.
    WriteSettings(SettingsPath(), settings_, profileValid_, FormatUserProfile(profile_));
  } catch (const EFileError& error) {
    ReportSaveFailure(error);
  }
}

bool TChatController::ParseUserProfile(const std::string& text) {
  TUserProfile profile;
  if (!kelmo::ParseUserProfile(text, profile)) return false;
  SetUserProfile(profile);
  return true;
}

void TChatController::SetUserProfile(const TUserProfile& profile) {
  profile_ = profile;
  profileValid_ = true;
  if (character_ != nullptr) character_->SetUserProfile(profile);
}

void TChatController::SetAllowExecute(bool allow) {
  settings_.AllowExecute = allow;
  if (character_ != nullptr) character_->SetAllowExecute(allow);
}

void TChatController::SetPluginsEnabled(bool enabled) {
  settings_.PluginsEnabled = enabled;
  if (character_ != nullptr) character_->SetPluginsEnabled(enabled);
}

TConfigDialogData TChatController::ConfigDialogData() {
  TConfigDialogData data;
  data.FontName = ShiftJisToUtf8(settings_.FontName);
  data.FontSize = settings_.FontSize;
  data.Interval = settings_.Speed;
  data.Zoom = settings_.Zoom;
  data.ExtensionChar = ReadExtensionChar(SettingsPath());
  data.AllowExecute = ReadSettings(SettingsPath()).AllowExecute;
  data.LogKeep = settings_.LogKeep;
  data.PlaySound = settings_.PlaySound;
  if (profileValid_) {
    data.Surname = ShiftJisToUtf8(profile_.Surname);
    data.GivenName = ShiftJisToUtf8(profile_.GivenName);
    data.HandleName = ShiftJisToUtf8(profile_.HandleName);
    data.Nickname = ShiftJisToUtf8(profile_.Nickname);
    data.IsMale = profile_.IsMale;
    const TDateTimeParts birthday = DecodeDateTime(profile_.Birthday);
    data.BirthYear = std::clamp(birthday.Year, kMinBirthYear, kMaxBirthYear);
    data.BirthMonth = birthday.Month;
    data.BirthDay = birthday.Day;
  }
  data.PluginsEnabled = settings_.PluginsEnabled;
  data.ExtendedPlugins = plugins_.get();
  data.BasicPlugins = character_ != nullptr ? character_->Plugins.get() : nullptr;
  return data;
}

void TChatController::ApplyConfig(const TConfigDialogData& data) {
  settings_.FontName = Utf8ToShiftJis(data.FontName);
  settings_.FontSize = data.FontSize;
  view_.SetBalloonFont(data.FontName, data.FontSize);
  if (data.Interval > kIntervalLowerExclusive && data.Interval < kIntervalUpperExclusive) {
    settings_.Speed = data.Interval;
  }
  settings_.Zoom = std::clamp(data.Zoom, kMinZoom, kMaxZoom);
  view_.SetZoom(settings_.Zoom);
  TUserProfile profile;
  profile.Surname = Utf8ToShiftJis(data.Surname);
  profile.GivenName = Utf8ToShiftJis(data.GivenName);
  profile.HandleName = Utf8ToShiftJis(data.HandleName);
  profile.Nickname = Utf8ToShiftJis(data.Nickname);
  profile.IsMale = data.IsMale;
  TryEncodeDateTime(TDateTimeParts{data.BirthYear, data.BirthMonth, data.BirthDay},
                    profile.Birthday);
  SetUserProfile(profile);
  settings_.PlaySound = data.PlaySound;
  SetPluginsEnabled(data.PluginsEnabled);
  SetAllowExecute(data.AllowExecute);
  settings_.LogKeep = data.LogKeep;
  try {
    WriteDialogSwitches(SettingsPath(), data.ExtensionChar, data.AllowExecute, data.PluginsEnabled);
  } catch (const EFileError& error) {
    ReportSaveFailure(error);
  }
}

void TChatController::SetTrayTip(const std::string& caption) {
  if (caption.size() <= kTrayTipMaxBytes) view_.SetTrayTip(ShiftJisToUtf8(caption));
}

// ----- Logs and small helpers -------------------------------------------------------------------

void TChatController::WriteChatLog(const std::string& text) {
  if (settings_.LogKeep) log_.WriteChatLog(text);
}

void TChatController::WriteErrorLog(const std::string& message, bool show) {
  if (show) {
    view_.ShowMessage(ShiftJisToUtf8(message) + "\r\n\r\n" + std::string(kErrorLogNotice));
  }
  log_.WriteErrorLog(message, Now());
}

void TChatController::ReportSaveFailure(const EFileError& error) {
  const std::string message = SaveFailureMessage(error);
  saveFailures_.push_back(message);
  WriteErrorLog(Utf8ToShiftJis(message), true);
}

std::string TChatController::TimeStamp() const {
  return "## " + FormatTimeStamp(Now()) + " ";
}

TDateTime TChatController::Now() const {
  return options_.Clock ? options_.Clock() : NowLocal();
}

void TChatController::Broadcast(std::u16string_view event, std::u16string& text) {
  if (plugins_ != nullptr) plugins_->Broadcast(std::u16string(event), text);
}

std::string TChatController::OutputText() const {
  std::string text;
  for (const std::string& line : outputLines_) text.append(line).append("\r\n");
  return text;
}

std::string TChatController::BalloonTextShiftJis() const {
  return Utf8ToShiftJis(view_.BalloonText());
}

void TChatController::SetBalloonText(const std::string& shiftJisText) {
  view_.SetBalloonText(ShiftJisToUtf8(shiftJisText));
  balloonInSync_ = false;
}

}  // namespace kelmo
