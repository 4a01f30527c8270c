// The batch runner: one user line at a time, each reply fast-forwarded to its end.
#include "tty/batch_runner.h"

#include <exception>
#include <string_view>

#include "charfile/random_source.h"
#include "shell/chat_controller.h"
#include "tty/batch_view.h"
#include "tty/main_thread_queue.h"

namespace kelmo {
namespace {

constexpr std::string_view kProgramPrefix = "dorrinkelmo: ";
constexpr std::string_view kRunawayMessage =
    "返答が終わりません: 1 行の入力で返答が次の数を超えました: ";
constexpr std::string_view kStartFailed = "起動に失敗しました";

// The message box's text on one line: its lines joined with blanks, empty ones left out.
std::string OneLine(std::string_view message) {
  std::string line;
  size_t start = 0;
  while (start <= message.size()) {
    size_t end = message.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = message.size();
    if (end > start) {
      if (!line.empty()) line += ' ';
      line.append(message.substr(start, end - start));
    }
    start = end + 1;
  }
  return line;
}

class TBatchRun {
 public:
  TBatchRun(const TBatchOptions& options, std::ostream& out, std::ostream& err)
      : report_(out),
        view_(options.AppDir, report_),
        err_(err),
        controller_(view_, ControllerOptions(options)) {
    controller_.SetObserver(&report_);
  }

  int Run(const std::string& character, std::istream& in) {
    if (!Reported([&] { return controller_.Start(character); })) {
      const std::string message =
          view_.LastMessage().empty() ? std::string(kStartFailed) : OneLine(view_.LastMessage());
      err_ << kProgramPrefix << message << '\n';
      Reported([&] { return Shutdown(); });
      WriteSaveFailures();
      return 1;
    }
    bool ended = true;
    for (std::string line; ended && !view_.Closed() && std::getline(in, line);) {
      if (line.ends_with('\r')) line.pop_back();
      Reported([&] { return Say(line, ended); });
    }
    if (ended) Reported([&] { return FinishReply(ended); });
    if (!ended) err_ << kProgramPrefix << kRunawayMessage << kBatchReplyLimit << '\n';
    Reported([&] {
      if (!view_.Closed()) controller_.RequestClose();
      return true;
    });
    Reported([&] { return Shutdown(); });
    // A save that failed lost the session's changes: the run counts as failed.
    WriteSaveFailures();
    return ended && controller_.SaveFailures().empty() ? 0 : 1;
  }

 private:
  void WriteSaveFailures() {
    for (const std::string& failure : controller_.SaveFailures()) {
      err_ << kProgramPrefix << failure << '\n';
    }
  }

  // Called while constructing controller_, after mainThread_.
  TControllerOptions ControllerOptions(const TBatchOptions& options) {
    TControllerOptions controllerOptions;
    controllerOptions.AppDir = options.AppDir;
    controllerOptions.ProgramFileName = options.ProgramFileName;
    controllerOptions.MainWindowHandle = 0;
    controllerOptions.MainThread = &mainThread_;
    return controllerOptions;
  }

  // Shows the reply being typed to its end, ending each wait; ended is cleared when the replies
  // go on beyond kBatchReplyLimit.
  bool FinishReply(bool& ended) {
    const int first = report_.RepliesStarted();
    while (controller_.State() == stTyping && !view_.Closed()) {
      if (report_.RepliesStarted() - first > kBatchReplyLimit) {
        ended = false;
        return false;
      }
      controller_.PressEnter();
      mainThread_.RunPending();
    }
    return true;
  }

  // Says line in the user's turn and shows the reply to its end.
  bool Say(const std::string& line, bool& ended) {
    if (!FinishReply(ended)) return false;
    if (controller_.State() == stReplyDone) controller_.PressEnter();
    if (controller_.State() != stUserInput || view_.Closed()) return false;
    view_.TypeUserLine(line);
    controller_.PressEnter();
    mainThread_.RunPending();
    return FinishReply(ended);
  }

  bool Shutdown() {
    controller_.Shutdown();
    return true;
  }

  // Runs a step, writing an error that escapes it to err; the run goes on.
  template <typename TAction>
  bool Reported(TAction&& action) {
    try {
      return action();
    } catch (const std::exception& error) {
      err_ << kProgramPrefix << error.what() << '\n';
    }
    return false;
  }

  TMainThreadQueue mainThread_;
  TBatchReport report_;
  TBatchView view_;  // reports its picture loads to report_
  std::ostream& err_;
  TChatController controller_;
};

}  // namespace

int RunBatch(const TBatchOptions& options, std::istream& in, std::ostream& out, std::ostream& err) {
  if (options.Seed) UseFixedRandomSeed(*options.Seed);
  TBatchRun run(options, out, err);
  return run.Run(options.Character, in);
}

}  // namespace kelmo
