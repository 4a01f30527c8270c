// The chat controller's side of the hand-over: what a second start's request does to the running
// conversation. A request arrives from the front end's event loop, which may be a nested one (a
// dialog, the splash of a load, a plug-in call), so it first makes sure the conversation is in a
// state where the request may act.
#include <string>

#include "charfile/character_list.h"
#include "charfile/code_page.h"
#include "shell/character_selection.h"
#include "shell/chat_controller.h"

namespace kelmo {
namespace {

// What the second start prints when the request could not be taken (UTF-8).
constexpr std::string_view kNotNowMessage =
    "人格はいま手がはなせません (ダイアログが開いているか、読み込みの途中です)";
constexpr std::string_view kNotUsersTurnMessage =
    "人格はいま話している途中です。話し終えてから、もう一度話しかけてください";
constexpr std::string_view kNoCharacterFileMessage = "人格ファイルではありません: ";
constexpr std::string_view kSwitchUnderWayMessage =
    "人格はいま切り替えの途中です。切り替わってから、もう一度どうぞ";
// The command a farewell ends with, which performs the switch when it is typed.
constexpr std::u16string_view kSwitchCommand = u"{READCHARACTER:";

}  // namespace

THandOverAnswer TChatController::TakeHandOver(const THandOverRequest& request) {
  if (closed_ || closing_ || shutDown_) {
    return {THandOverStatus::Closing, std::string(kClosingMessage)};
  }
  // Inside a load, a thought, a typing step or a dialog.
  const bool interrupted = !AcceptsInput() || character_ == nullptr || state_ == stSuspended ||
                           state_ == stIdle;
  if (!request.Package.empty()) {
    if (interrupted) return {THandOverStatus::Busy, std::string(kNotNowMessage)};
    return TakeHandedOverPackage(request.Package);
  }
  if (request.Character.empty() && !request.Say) {
    // The window comes back by itself at the end of a load; otherwise it is shown now.
    if (!busy_ && !loading_) view_.ShowAndActivate();
    return {};
  }
  if (interrupted) return {THandOverStatus::Busy, std::string(kNotNowMessage)};
  if (!request.Character.empty()) {
    // A farewell being typed ends in a switch already promised (a start that handed it over has
    // been told it is under way): a later request waits until it has happened instead of
    // replacing it.
    if (state_ == stTyping && typewriter_.Reply().find(kSwitchCommand) != std::u16string::npos) {
      return {THandOverStatus::Busy, std::string(kSwitchUnderWayMessage)};
    }
    TCharacterSelection selection(*characterList_, appDir_);
    if (!selection.AddFile(request.Character).empty()) {
      view_.ShowAndActivate();
      return {THandOverStatus::Refused, std::string(kNoCharacterFileMessage) + request.Character};
    }
    selection.Confirm(static_cast<int>(selection.Rows().size()) - 1);
    SayFarewell(selection.SelectedPath());
    view_.ShowAndActivate();
    return {};
  }
  if (state_ != stUserInput && state_ != stReplyDone) {
    return {THandOverStatus::Busy, std::string(kNotUsersTurnMessage)};
  }
  // A finished reply waits only for the user: the line begins the user's turn as Enter would.
  if (state_ == stReplyDone) PressEnter();
  SayAsUser(Utf8ToShiftJis(*request.Say));
  return {};
}

}  // namespace kelmo
