// The terminal view: the balloon drawn by TTerminalBalloon, dialogs as prompts.
#include "tty/terminal_view.h"

#include <string_view>

#include "shell/about_texts.h"
#include "shell/chat_controller.h"
#include "tty/character_chooser.h"
#include "tty/line_input.h"
#include "tty/profile_questions.h"

namespace kelmo {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// The balloon's lines: split at CR LF (a lone LF counts too); a final line break ends the last
// line and adds none.
std::vector<std::string> BalloonLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    size_t contentEnd = end;
    if (contentEnd > start && text[contentEnd - 1] == '\r') --contentEnd;
    lines.emplace_back(text.substr(start, contentEnd - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace

TTerminalView::TTerminalView(std::ostream& out, TLineInput& input, bool cursorControl)
    : out_(out), input_(input), balloon_(out, cursorControl) {}

void TTerminalView::PrepareOutput() {
  balloon_.End();
  if (beforeOutput_) beforeOutput_();
}

void TTerminalView::Print(std::string_view text) {
  PrepareOutput();
  for (const std::string& line : BalloonLines(text)) out_ << SanitizeForTerminal(line) << '\n';
  out_.flush();
}

std::string TTerminalView::BalloonText() const {
  if (readOnly_) return balloonText_;
  // A line the controller put into the balloon (a petting action, a hand-over's line) wins over
  // the one being edited, which it already holds at its front.
  if (userLineSet_) return userLine_;
  if (const std::optional<std::string> edited = input_.EditedLine()) return *edited;
  return userLine_;
}

void TTerminalView::SetBalloonText(const std::string& text) {
  if (text.empty()) {
    balloonText_.clear();
    userLine_.clear();
    userLineSet_ = false;
    balloon_.End();
    return;
  }
  if (!readOnly_) {
    userLine_ = text;
    userLineSet_ = true;
    return;
  }
  balloonText_ = text;
  if (beforeOutput_) beforeOutput_();
  balloon_.Show(BalloonLines(text));
}

void TTerminalView::AppendToLastLine(const std::string& text) {
  if (!readOnly_ || !balloon_.BlockOpen()) {
    TChatView::AppendToLastLine(text);
    return;
  }
  const size_t lineEnd = balloonText_.ends_with(kLineEnd) ? balloonText_.size() - kLineEnd.size()
                                                          : balloonText_.size();
  balloonText_.insert(lineEnd, text);
  balloon_.Append(text);
}

void TTerminalView::ShowMessage(const std::string& text) {
  if (!closingWords_) {
    Print(text);
    return;
  }
  PrepareOutput();
  balloon_.Show(BalloonLines(text));
  balloon_.End();
}

void TTerminalView::ReplyStarted(TReplyEvent event, const std::string&, const std::string&) {
  closingWords_ = event == TReplyEvent::Close;
}

void TTerminalView::ReplyFinished(const std::vector<std::string>&) {
  closingWords_ = false;
}

void TTerminalView::SetCaption(const std::string& caption) {
  characterName_ = caption.ends_with(kCaptionSuffix)
                       ? caption.substr(0, caption.size() - kCaptionSuffix.size())
                       : caption;
  balloon_.SetSpeaker(characterName_);
}

bool TTerminalView::ShowCharacterSelection(TCharacterSelection& selection) {
  PrepareOutput();
  return RunCharacterChooser(selection, input_, out_);
}

bool TTerminalView::ShowSettingsDialog(TConfigDialogData& data) {
  PrepareOutput();
  return RunSettingsDialog(data, input_, out_);
}

void TTerminalView::ShowAboutDialog(const TAboutTexts& texts) {
  std::string text = texts.ProgramCaption + "\n" + texts.ProgramText + "\n" + texts.ProgramUrl;
  if (!texts.CharacterText.empty()) {
    text += "\n\n" + texts.CharacterCaption + "\n" + texts.CharacterText;
    if (!texts.CharacterUrl.empty()) text += "\n" + texts.CharacterUrl;
  }
  Print(text);
}

}  // namespace kelmo
