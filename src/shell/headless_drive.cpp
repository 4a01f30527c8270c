// The controller's inputs in the order a person at the keyboard would give them.
#include "shell/headless_drive.h"

#include <utility>

#include "shell/chat_controller.h"

namespace kelmo {

THeadlessDrive::THeadlessDrive(TChatController& controller, TChatObserver* observer,
                               TTypingPace pace, int limit, THeadlessInputs inputs)
    : controller_(controller),
      observer_(observer),
      pace_(pace),
      limit_(limit),
      inputs_(std::move(inputs)) {
  if (!inputs_.Enter) inputs_.Enter = [this] { controller_.PressEnter(); };
  if (!inputs_.Tick) inputs_.Tick = [this] { controller_.TimerTimer(); };
  controller_.SetObserver(this);
}

std::optional<int> THeadlessDrive::FinishReply() {
  const bool instant = pace_ == TTypingPace::Instant;
  const int firstReply = repliesStarted_;
  int given = 0;
  while (controller_.State() == stTyping && !controller_.IsClosed() &&
         (instant || !controller_.WaitingForReturn())) {
    if ((instant ? repliesStarted_ - firstReply : given) > limit_) {
      gaveUp_ = true;
      return std::nullopt;
    }
    Give(instant ? inputs_.Enter : inputs_.Tick);
    ++given;
  }
  return given;
}

bool THeadlessDrive::ReachUserTurn() {
  if (!FinishReply()) return false;
  if (controller_.State() == stReplyDone && !controller_.IsClosed()) Give(inputs_.Enter);
  return controller_.State() == stUserInput && !controller_.IsClosed();
}

bool THeadlessDrive::Say(const std::string& line) {
  if (!ReachUserTurn()) return false;
  inputs_.TypeUserLine(line);
  Give(inputs_.Enter);
  return true;
}

void THeadlessDrive::Give(const std::function<void()>& input) {
  input();
  if (inputs_.AfterInput) inputs_.AfterInput();
}

void THeadlessDrive::ReplyStarted(TReplyEvent event, const std::string& line,
                                  const std::string& reply) {
  ++repliesStarted_;
  if (observer_ != nullptr) observer_->ReplyStarted(event, line, reply);
}

void THeadlessDrive::ReplyCameFrom(const TEntrySource& source) {
  if (observer_ != nullptr) observer_->ReplyCameFrom(source);
}

void THeadlessDrive::CommandExecuted(const std::string& written, bool known) {
  if (observer_ != nullptr) observer_->CommandExecuted(written, known);
}

void THeadlessDrive::ReplyFinished(const std::vector<std::string>& shownLines) {
  if (observer_ != nullptr) observer_->ReplyFinished(shownLines);
}

}  // namespace kelmo
