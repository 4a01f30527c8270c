// The typewriter's steps and the balloon's lines; the command table is display_commands.cpp's.
#include "shell/typewriter.h"

#include "charfile/code_page.h"
#include "shell/chat_view.h"

namespace kelmo {
namespace {

bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

void TTypewriter::Install(std::u16string text) {
  reply_ = std::move(text);
  position_ = 0;
  ++generation_;
  // A pause or a wait left over at the very end of the previous reply must not hold up this one.
  delayTicks_ = 0;
  waitingForReturn_ = false;
}

bool TTypewriter::Step(bool skipPause) {
  if (position_ >= reply_.size()) {
    position_ = 0;
    Flush();
    return true;
  }
  if (waitingForReturn_) return false;
  if (skipPause) delayTicks_ = 0;
  if (delayTicks_ > 0) {
    --delayTicks_;
    return false;
  }
  const char16_t c = reply_[position_];
  if (c == u'\r') {
    ++lineIndex_;
    position_ += 2;  // the LF that follows is not shown
  } else if (c == u'{') {
    RunCommand();
  } else {
    // A surrogate pair is one character.
    const size_t length = IsHighSurrogate(c) && position_ + 1 < reply_.size() &&
                                  IsLowSurrogate(reply_[position_ + 1])
                              ? 2
                              : 1;
    Append(Utf16ToShiftJis(std::u16string_view(reply_).substr(position_, length)));
    position_ += length;
  }
  // A command may have installed another reply; this asks about whichever is typed now.
  if (position_ < reply_.size()) return false;
  position_ = 0;
  Flush();
  return true;
}

void TTypewriter::SetCollecting(bool collecting) {
  collecting_ = collecting;
  if (!collecting) Flush();
}

bool TTypewriter::EndWait() {
  if (!waitingForReturn_) return false;
  waitingForReturn_ = false;
  EraseLastChar();  // the wait mark
  return true;
}

void TTypewriter::ClearLines() {
  lineIndex_ = 0;
  lines_.clear();
  balloonInSync_ = false;
  pending_ = false;
}

std::string TTypewriter::Text() const {
  std::string text;
  for (const std::string& line : lines_) text.append(line).append("\r\n");
  return text;
}

void TTypewriter::Append(const std::string& text) {
  const size_t linesBefore = lines_.size();
  while (lines_.size() < static_cast<size_t>(lineIndex_) + 1) lines_.emplace_back();
  lines_[static_cast<size_t>(lineIndex_)] += text;
  if (collecting_) {
    pending_ = true;
    balloonInSync_ = false;
    return;
  }
  // Only the last line grew: the view appends (lineIndex_ is never below the last line).
  if (balloonInSync_ && lines_.size() == linesBefore) {
    view_.AppendToLastLine(ShiftJisToUtf8(text));
  } else {
    ShowLines();
  }
}

void TTypewriter::EraseLastChar() {
  if (lines_.empty() || (lineIndex_ == 0 && lines_[0].empty())) return;
  const size_t index = static_cast<size_t>(lineIndex_);
  if (index < lines_.size() && !lines_[index].empty()) {
    std::string& line = lines_[index];
    size_t last = 0;
    for (size_t i = 0; i < line.size(); i += ShiftJisCharLength(line, i)) last = i;
    line.erase(last);
  } else {
    // Right after a line break no line has been started yet: the backspace crosses the break.
    if (index < lines_.size()) lines_.erase(lines_.begin() + lineIndex_);
    --lineIndex_;
  }
  ShowLines();
}

void TTypewriter::ShowLines() {
  if (collecting_) {
    pending_ = true;
    balloonInSync_ = false;
    return;
  }
  view_.SetBalloonText(ShiftJisToUtf8(Text()));
  balloonInSync_ = true;
  pending_ = false;
}

void TTypewriter::Flush() {
  if (!pending_) return;
  const bool collecting = collecting_;
  collecting_ = false;
  ShowLines();
  collecting_ = collecting;
}

}  // namespace kelmo
