// Driving the chat controller without a person at the keyboard. The batch mode, the transcript
// tests and the tests of each front end do the same with the controller's states: show the reply
// being typed to its end, take the user's turn, type a line and press Enter. THeadlessDrive does
// it once. Its inputs go to the controller itself, or through the front end a test drives (the
// window's timer, Enter in its balloon). It stands between the controller and the front end's
// observer and counts the replies on their way, so that replies that skip to each other forever
// end the drive instead of hanging it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/chat_view.h"

namespace kelmo {

class TChatController;

// How a reply being typed is advanced.
enum class TTypingPace {
  Instant,  // Enter: each press shows the reply to its end or its next wait, or ends the wait
  Ticks,    // the timer, as the window types: a letter a tick, stopping where the reply waits
};

// The inputs the drive gives. Enter and Tick default to the controller's PressEnter and
// TimerTimer; TypeUserLine must be given.
struct THeadlessInputs {
  // Puts the user's line (UTF-8) into the balloon.
  std::function<void(const std::string&)> TypeUserLine{};
  std::function<void()> Enter{};
  std::function<void()> Tick{};
  // Runs after each input when set: the calls posted to a main thread that no event loop serves.
  std::function<void()> AfterInput{};
};

class THeadlessDrive : private TChatObserver {
 public:
  // Drives controller and becomes its observer, passing its events on to observer (may be null).
  // limit bounds one FinishReply: the replies it sees start (Instant) or the ticks it gives
  // (Ticks).
  THeadlessDrive(TChatController& controller, TChatObserver* observer, TTypingPace pace, int limit,
                 THeadlessInputs inputs);

  THeadlessDrive(const THeadlessDrive&) = delete;
  THeadlessDrive& operator=(const THeadlessDrive&) = delete;

  // Advances the reply being typed until it has ended (with Ticks: or waits for Enter) or the
  // controller has closed. Returns the inputs it gave; nothing when it went past the limit, which
  // GaveUp tells from then on.
  std::optional<int> FinishReply();

  // Finishes the reply being typed, then presses Enter on the finished reply. True when it is the
  // user's turn (stUserInput) and the controller is open.
  bool ReachUserTurn();

  // In the user's turn (ReachUserTurn), types line into the balloon and presses Enter; the reply
  // it sets off is left for FinishReply. False, with nothing typed, when the turn did not come.
  bool Say(const std::string& line);

  // Whether a FinishReply went past the limit.
  bool GaveUp() const { return gaveUp_; }

 private:
  void Give(const std::function<void()>& input);

  void ReplyStarted(TReplyEvent event, const std::string& line, const std::string& reply) override;
  void ReplyCameFrom(const TEntrySource& source) override;
  void CommandExecuted(const std::string& written, bool known) override;
  void ReplyFinished(const std::vector<std::string>& shownLines) override;

  TChatController& controller_;
  TChatObserver* observer_;
  TTypingPace pace_;
  int limit_;
  THeadlessInputs inputs_;
  int repliesStarted_ = 0;
  bool gaveUp_ = false;
};

}  // namespace kelmo
