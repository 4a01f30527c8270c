// The chat controller's state machine, thinking, the two inputs, the closing talk, the display
// commands that reach beyond the balloon, and the menu actions. Start-up, character loading and
// shut-down are in character_loading.cpp; the typed output is the typewriter's.
//
// The orders below are the program's contract with character authors and plug-ins: which log
// entries, plug-in events and view changes happen, and in which sequence. Each function keeps its
// steps in that order; the comments name the steps that are easy to get wrong.
#include "shell/chat_controller.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <limits>
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
#include "shell/about_texts.h"
#include "shell/character_selection.h"
#include "shell/file_error_text.h"
#include "shell/flag_guard.h"

namespace kelmo {
namespace {

// Plug-in events.
constexpr std::u16string_view kBeginThinkEvent = u"KE_BeginThink";
constexpr std::u16string_view kEndThinkEvent = u"KE_EndThink";
constexpr std::u16string_view kBeginRespondEvent = u"KE_BeginRespond";
constexpr std::u16string_view kEndRespondEvent = u"KE_EndRespond";

// A selection key beginning with this makes Think append it as a display command.
constexpr std::string_view kReadCharacterKey = "READCHARACTER:";

// Shown under every error message the user sees (UTF-8).
constexpr std::string_view kErrorLogNotice = "(エラーメッセージはKelmoErr.logに記録されます)";

// The tray tip holds 64 bytes with its terminator; a longer caption leaves the previous tip.
constexpr size_t kTrayTipMaxBytes = 62;

// Seconds in the day-based date-time.
constexpr double kSecondsPerDay = 86400.0;
// A fast-forward follows at most this many replies installed by the reply itself (SKIP:): replies
// that skip to each other forever must not hang the Enter key. Typing then goes on at the
// timer's pace, where such a loop is visible and the window stays usable.
constexpr int kFastForwardReplyLimit = 100;

// value * numerator / denominator to the nearest integer, halves to the even one, kept in range.
int ScaleHalfEven(int value, int numerator, int denominator) {
  const int64_t product = static_cast<int64_t>(value) * numerator;
  int64_t quotient = product / denominator;
  int64_t remainder = product % denominator;
  if (remainder < 0) {  // floor division
    --quotient;
    remainder += denominator;
  }
  if (2 * remainder > denominator || (2 * remainder == denominator && quotient % 2 != 0)) {
    ++quotient;
  }
  return static_cast<int>(std::clamp<int64_t>(quotient, std::numeric_limits<int>::min(),
                                              std::numeric_limits<int>::max()));
}

}  // namespace

TChatController::TChatController(TChatView& view, TControllerOptions options)
    : view_(view),
      options_(std::move(options)),
      typewriter_(view, *this),
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
  thoughtSource_.reset();
  if (character_ == nullptr) return {};
  const TFlagGuard thinking(thinking_);
  std::u16string text = ShiftJisToUtf16(word);
  Broadcast(kBeginThinkEvent, text);
  std::u16string reply = character_->Evaluate(character_->SelectReply(text, mask));
  thoughtSource_ = character_->ReplySource();
  // A reply to "ReadCharacter:" + path ends with the command that performs the switch.
  const std::string& key = character_->OperateMessage;
  if (key.starts_with(kReadCharacterKey)) reply += u"{" + ShiftJisToUtf16(key) + u"}";
  Broadcast(kEndThinkEvent, reply);
  return Utf16ToShiftJis(reply);
}

void TChatController::SetChatState(TChatState state) {
  const TChatState old = state_;
  if (old == stTyping) {
    WriteChatLog(typewriter_.Text());
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
      if (startedReply_->Source) observer_->ReplyCameFrom(*startedReply_->Source);
    }
    startedReply_.reset();
  }
  view_.SetBalloonReadOnly(false);
  if (state == stTyping) {
    Broadcast(kBeginRespondEvent, typewriter_.Reply());
    view_.SetBalloonReadOnly(true);
  } else if (state == stReplyDone) {
    std::u16string shown = ShiftJisToUtf16(typewriter_.Text());
    Broadcast(kEndRespondEvent, shown);
    view_.SetBalloonReadOnly(true);
  }
  typewriter_.ClearLines();
  view_.Repaint();  // the balloon picture follows the state
}

void TChatController::InstallReply(TReplyEvent event, const std::string& line,
                                   const std::string& reply, std::u16string text) {
  typewriter_.Install(std::move(text));
  startedReply_ = TStartedReply{event, ShiftJisToUtf8(line), ShiftJisToUtf8(reply), thoughtSource_};
}

void TChatController::ReportReplyFinished() {
  if (observer_ != nullptr) observer_->ReplyFinished(ShiftJisLinesToUtf8(typewriter_.Lines()));
}

// ----- The two inputs ---------------------------------------------------------------------------

bool TChatController::MenuMayOpen() const {
  return AcceptsInput() && !closing_ && character_ != nullptr &&
         (state_ == stUserInput || state_ == stReplyDone);
}

void TChatController::PressEnter() {
  if (!AcceptsInput()) return;
  switch (state_) {
    case stTyping:
      if (!typewriter_.EndWait()) FastForward();
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
  if (!AcceptsInput()) return;
  if (pendingClose_) {
    const bool sessionEnding = *pendingClose_;
    pendingClose_.reset();
    RequestClose(sessionEnding);
    return;
  }
  if (pendingInstall_ && MayInstallNow()) {
    FollowUpHandedOverInstall();
    return;
  }
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

void TChatController::TypeStep(bool skipPause) {
  if (busy_) return;
  const TFlagGuard guard(busy_);
  if (typewriter_.Step(skipPause)) SetChatState(stReplyDone);
}

void TChatController::FastForward() {
  int repliesFollowed = 0;
  typewriter_.SetCollecting(true);
  while (state_ == stTyping && !typewriter_.WaitingForReturn() && !busy_ && !closed_) {
    const int generation = typewriter_.Generation();
    TypeStep(true);  // a pause would pass unseen: nothing is shown between the steps
    if (typewriter_.Generation() != generation && ++repliesFollowed >= kFastForwardReplyLimit) {
      break;
    }
  }
  typewriter_.SetCollecting(false);
}

// ----- Closing ----------------------------------------------------------------------------------

void TChatController::RequestClose(bool sessionEnding) {
  if (closed_ || closing_) return;
  if (loading_ || thinking_) {
    pendingClose_ = sessionEnding;
    return;
  }
  closing_ = true;
  if (character_ != nullptr) {
    const std::string reply = Think(std::string(kCloseWord), DictMaskBasic);
    if (observer_ != nullptr) {
      observer_->ReplyStarted(TReplyEvent::Close, std::string(kCloseWord), ShiftJisToUtf8(reply));
      if (thoughtSource_) observer_->ReplyCameFrom(*thoughtSource_);
    }
    std::u16string words = character_->Evaluate(ShiftJisToUtf16(reply));
    Broadcast(kBeginRespondEvent, words);
    const std::string shown = Utf16ToShiftJis(StripBraces(words));
    if (!shown.empty()) {
      view_.ShowMessage(ShiftJisToUtf8(shown));
      WriteChatLog(shown);
    }
    if (observer_ != nullptr) observer_->ReplyFinished(ShiftJisLinesToUtf8(SplitLines(shown)));
  }
  closing_ = false;
  if (sessionEnding) {
    view_.SetVisible(false);
    return;
  }
  closed_ = true;
  view_.Close();
}

// ----- Display commands that reach beyond the balloon ------------------------------------------

void TChatController::ShowPicture(const std::string& file) {
  LoadPicture(TPictureSlot::Shown, file, TDefinitionKey::TransparentBitmap, true);
}

void TChatController::SetDefaultPicture(const std::string& file) {
  LoadPicture(TPictureSlot::Default, file, TDefinitionKey::TransparentBitmap, false);
  view_.ShowDefaultPicture();
}

void TChatController::QuitSystem() {
  state_ = stReplyDone;
  WriteChatLog(BalloonTextShiftJis());
  ReportReplyFinished();
  RequestClose();
}

void TChatController::ToggleWindow() {
  MenuChangeStateClick();
}

void TChatController::ShowWindow() {
  view_.ShowAndActivate();
}

void TChatController::SkipTo(const std::string& word) {
  SetChatState(stIdle);  // logs what was shown
  SetBalloonText("");
  const std::string reply = Think(word, DictMaskAll);
  InstallReply(TReplyEvent::Skip, word, reply, ShiftJisToUtf16(reply));
  SetChatState(stTyping);
}

void TChatController::PlaySound(const std::string& file, bool wait) {
  if (character_ == nullptr || !settings_.PlaySound) return;
  const std::string path =
      character_->ExistingDataFile(character_->CharacterFile->PathInFolder(file));
  if (!path.empty()) view_.PlaySound(path, wait);  // a missing file plays nothing
}

void TChatController::ScaleSpeed(int numerator, int denominator) {
  settings_.Speed =
      std::clamp(ScaleHalfEven(settings_.Speed, numerator, denominator), kMinSpeed, kMaxSpeed);
}

void TChatController::ScaleFont(int numerator, int denominator) {
  settings_.FontSize = std::clamp(ScaleHalfEven(settings_.FontSize, numerator, denominator),
                                  kMinFontSize, kMaxFontSize);
  view_.SetBalloonFont(ShiftJisToUtf8(settings_.FontName), settings_.FontSize);
}

void TChatController::ArmTimer(int seconds, const std::string& word) {
  timerArmed_ = true;
  timerDue_ = Now() + seconds / kSecondsPerDay;
  timerWord_ = word;
}

void TChatController::CancelTimer() {
  timerArmed_ = false;
}

void TChatController::LogShownLines() {
  WriteChatLog(BalloonTextShiftJis());
}

void TChatController::ChangeCharacter() {
  ChooseCharacter();
}

void TChatController::ReadCharacter(const std::string& path) {
  SetChatState(stReplyDone);
  SetBalloonText("");
  if (LoadCharacter(path)) return;
  const std::string word(kInvalidCharacterWord);
  const std::string reply = Think(word, DictMaskBasic);
  InstallReply(TReplyEvent::Invalid, word, reply, ShiftJisToUtf16(reply));
  SetChatState(stTyping);
}

void TChatController::CommandExecuted(const std::string& written, bool known) {
  if (observer_ != nullptr) observer_->CommandExecuted(written, known);
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
  if (AcceptsInput()) ChooseCharacter();
}

void TChatController::ChooseCharacter() {
  if (characterList_ == nullptr || closed_) return;
  TCharacterSelection selection(*characterList_, appDir_, PackageActions());
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
  if (AcceptsInput()) Configure();
}

void TChatController::Configure() {
  // The menu switches the mode too.
  if (const std::optional<bool> desktop = view_.DesktopMode()) settings_.DesktopMode = *desktop;
  TConfigDialogData data =
      MakeConfigDialogData(settings_, SettingsPath(), profileValid_ ? &profile_ : nullptr,
                           plugins_.get(), character_ != nullptr ? character_->Plugins.get() : nullptr);
  bool confirmed = false;
  RunSuspended([&] { confirmed = view_.ShowSettingsDialog(data); });
  if (!confirmed || !ValidateConfig(data).empty()) return;
  TUserProfile profile;
  ApplyConfigDialogData(data, settings_, profile);
  view_.SetBalloonFont(data.FontName, settings_.FontSize);
  view_.SetZoom(settings_.Zoom);
  view_.SetDesktopMode(settings_.DesktopMode);
  SetUserProfile(profile);
  SetPluginsEnabled(settings_.PluginsEnabled);
  SetAllowExecute(settings_.AllowExecute);
  try {
    WriteDialogSwitches(SettingsPath(), data.ExtensionChar, data.AllowExecute, data.PluginsEnabled);
  } catch (const EFileError& error) {
    ReportSaveFailure(error);
  }
}

void TChatController::MenuAboutClick() {
  if (!AcceptsInput()) return;
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
  if (state_ != stUserInput || !AcceptsInput()) return;
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

std::string TChatController::BalloonTextShiftJis() const {
  return Utf8ToShiftJis(view_.BalloonText());
}

void TChatController::SetBalloonText(const std::string& shiftJisText) {
  view_.SetBalloonText(ShiftJisToUtf8(shiftJisText));
  typewriter_.BalloonReplaced();
}

}  // namespace kelmo
