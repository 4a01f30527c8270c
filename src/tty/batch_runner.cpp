// The batch runner: one user line at a time, each reply fast-forwarded to its end.
#include "tty/batch_runner.h"

#include <string_view>

#include "charfile/code_page.h"
#include "charfile/random_source.h"
#include "lint/group_meaning.h"
#include "shell/chat_controller.h"
#include "shell/headless_drive.h"
#include "shell/reported_step.h"
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
      : report_(out, options.AppDir),
        view_(options.AppDir, report_),
        err_(err),
        controller_(view_, ControllerOptions(options)),
        drive_(controller_, &report_, TTypingPace::Instant, kBatchReplyLimit,
               {.TypeUserLine = [this](const std::string& line) { view_.TypeUserLine(line); },
                .AfterInput = [this] { mainThread_.RunPending(); }}) {
    report_.SetUnknownGroupTest([this](const std::string& group) {
      const TCharacter* character = controller_.Character();
      return character == nullptr || NamesNothing(*character, Utf8ToUtf16(group));
    });
  }

  int Run(const std::string& character, std::istream& in) {
    if (!Reported(err_, kProgramPrefix, [&] { return controller_.Start(character); })) {
      const std::string message =
          view_.LastMessage().empty() ? std::string(kStartFailed) : OneLine(view_.LastMessage());
      err_ << kProgramPrefix << message << '\n';
      Reported(err_, kProgramPrefix, [&] { return Shutdown(); });
      WriteSaveFailures();
      return 1;
    }
    // Each line is said in the user's turn, and its reply shown to its end.
    for (std::string line; !drive_.GaveUp() && !view_.Closed() && std::getline(in, line);) {
      if (line.ends_with('\r')) line.pop_back();
      Reported(err_, kProgramPrefix, [&] { return drive_.Say(line) && drive_.FinishReply(); });
    }
    if (!drive_.GaveUp()) {
      Reported(err_, kProgramPrefix, [&] { return drive_.FinishReply().has_value(); });
    }
    if (drive_.GaveUp()) err_ << kProgramPrefix << kRunawayMessage << kBatchReplyLimit << '\n';
    Reported(err_, kProgramPrefix, [&] {
      if (!view_.Closed()) controller_.RequestClose();
      return true;
    });
    Reported(err_, kProgramPrefix, [&] { return Shutdown(); });
    // A save that failed lost the session's changes: the run counts as failed.
    WriteSaveFailures();
    return !drive_.GaveUp() && controller_.SaveFailures().empty() ? 0 : 1;
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

  bool Shutdown() {
    controller_.Shutdown();
    return true;
  }

  TMainThreadQueue mainThread_;
  TBatchReport report_;
  TBatchView view_;  // reports its picture loads to report_
  std::ostream& err_;
  TChatController controller_;
  THeadlessDrive drive_;  // reports the replies to report_
};

}  // namespace

int RunBatch(const TBatchOptions& options, std::istream& in, std::ostream& out, std::ostream& err) {
  if (options.Seed) UseFixedRandomSeed(*options.Seed);
  TBatchRun run(options, out, err);
  return run.Run(options.Character, in);
}

}  // namespace kelmo
