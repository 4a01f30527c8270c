// Running the cases of a transcript through the chat controller, and the line diff of a failure.
#include "lint/transcript_runner.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/date_time.h"
#include "charfile/kelmo_error.h"
#include "charfile/random_source.h"
#include "charfile/text_file.h"
#include "lint/terminal_text.h"
#include "lint/transcript.h"
#include "shell/chat_controller.h"
#include "shell/headless_drive.h"
#include "shell/settings.h"

namespace kelmo {
namespace {

// Where the scratch program folder goes: a folder in memory when the system offers one, since
// every case writes the settings file there.
constexpr const char* kRuntimeFolderVariable = "XDG_RUNTIME_DIR";
constexpr const char* kSharedMemoryFolder = "/dev/shm";
constexpr const char* kScratchPattern = "dorrinkelmo-test-XXXXXX";
// The program file name the controller's logs are named after.
constexpr const char* kProgramFileName = "dorrinkelmo";
constexpr double kSecondsPerDay = 86400.0;
// A timed talk due this close after a wait's end (a millisecond, in days) is due within it: waits
// added up may fall short of the same time armed at once by a rounding step.
constexpr double kClockTolerance = 0.001 / kSecondsPerDay;

// A folder made for the run and removed with everything in it.
class TScratchFolder {
 public:
  TScratchFolder() {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path parent = fs::temp_directory_path(error);
    const char* runtime = std::getenv(kRuntimeFolderVariable);
    for (const char* candidate : {runtime, kSharedMemoryFolder}) {
      if (candidate != nullptr && *candidate != '\0' && fs::is_directory(candidate, error)) {
        parent = candidate;
        break;
      }
    }
    std::string name = (parent / kScratchPattern).string();
    if (::mkdtemp(name.data()) == nullptr) {
      throw EFileWriteError("cannot create a folder in " + parent.string(), parent.string(), errno);
    }
    path_ = name;
  }
  ~TScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// A balloon without a screen that keeps the lines each reply showed at its end; every dialog is
// cancelled.
class TTranscriptView : public TChatView, public TChatObserver {
 public:
  // The lines shown by the replies finished since the last call, trailing empty lines left out.
  std::vector<std::string> TakeShownLines() {
    std::vector<std::string> lines = std::move(shown_);
    shown_.clear();
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
  }

  std::string BalloonText() const override { return balloon_; }
  void SetBalloonText(const std::string& text) override { balloon_ = text; }
  void SetBalloonReadOnly(bool) override {}
  void ShowMessage(const std::string&) override {}
  bool ShowCharacterSelection(TCharacterSelection&) override { return false; }
  bool ShowSettingsDialog(TConfigDialogData&) override { return false; }
  void ShowAboutDialog(const TAboutTexts&) override {}
  void Close() override {}

  void ReplyFinished(const std::vector<std::string>& lines) override {
    shown_.insert(shown_.end(), lines.begin(), lines.end());
  }

 private:
  std::string balloon_;
  std::vector<std::string> shown_;
};

// A line of the report: what it quotes from the transcript or the character may hold any bytes,
// which must not reach the terminal as they are.
void WriteLine(std::ostream& out, const std::string& line) {
  out << TerminalText(line) << '\n';
}

std::string Written(const TExpectedLine& expected) {
  return expected.Kind == TExpectedLine::TKind::Pattern ? "~ " + expected.Text : expected.Text;
}

// The line diff of what was expected against what was shown: empty when they agree, otherwise
// every line marked "  - " (expected, not shown), "  + " (shown, not expected) or "    " (shown as
// expected, or taken by a "..."). It is an alignment of least edits, "..." taking lines for free.
std::vector<std::string> Diff(const std::vector<TExpectedLine>& expected,
                              const std::vector<std::string>& shown) {
  const size_t rows = expected.size();
  const size_t columns = shown.size();
  std::vector<std::vector<bool>> accepts(rows, std::vector<bool>(columns));
  for (size_t i = 0; i < rows; ++i) {
    TExpectedMatcher matcher(expected[i]);
    for (size_t j = 0; j < columns; ++j) accepts[i][j] = matcher.Accepts(shown[j]);
  }
  const auto any = [&](size_t i) { return expected[i].Kind == TExpectedLine::TKind::AnyLines; };
  // edits[i][j]: the fewest edits that turn expected[i..] into shown[j..].
  std::vector<std::vector<size_t>> edits(rows + 1, std::vector<size_t>(columns + 1));
  for (size_t i = rows + 1; i-- > 0;) {
    for (size_t j = columns + 1; j-- > 0;) {
      if (i == rows) {
        edits[i][j] = columns - j;
      } else if (any(i)) {
        edits[i][j] = std::min(edits[i + 1][j], j < columns ? edits[i][j + 1] : edits[i + 1][j]);
      } else {
        size_t best = edits[i + 1][j] + 1;
        if (j < columns) best = std::min(best, edits[i][j + 1] + 1);
        if (j < columns && accepts[i][j]) best = std::min(best, edits[i + 1][j + 1]);
        edits[i][j] = best;
      }
    }
  }
  if (edits[0][0] == 0) return {};
  std::vector<std::string> diff;
  for (size_t i = 0, j = 0; i < rows || j < columns;) {
    if (i < rows && any(i)) {
      if (j < columns && edits[i][j] == edits[i][j + 1]) {
        diff.push_back("    " + shown[j++]);
      } else {
        ++i;
      }
    } else if (i < rows && j < columns && accepts[i][j] && edits[i][j] == edits[i + 1][j + 1]) {
      diff.push_back("    " + shown[j++]);
      ++i;
    } else if (i < rows && edits[i][j] == edits[i + 1][j] + 1) {
      diff.push_back("  - " + Written(expected[i++]));
    } else {
      diff.push_back("  + " + shown[j++]);
    }
  }
  return diff;
}

class TTranscriptRun {
 public:
  TTranscriptRun(const TTranscriptOptions& options, const TTranscript& transcript,
                 std::ostream& out)
      : options_(options), transcript_(transcript), out_(out) {
    const std::filesystem::path character = transcript.Character;
    characterPath_ = character.is_absolute()
                         ? character.string()
                         : (std::filesystem::path(options.AppDir) / character).string();
  }

  // Runs every case; false when some failed or the character could not be loaded.
  bool Run() {
    TSettings settings;
    settings.LogKeep = false;
    WriteSettings(FromFileSystemPath(scratch_.Path() + "/" + std::string(kSettingsFileName)),
                  settings, true, FormatUserProfile(transcript_.Profile));
    int failed = 0;
    for (const TTranscriptCase& testCase : transcript_.Cases) {
      if (!RunCase(testCase)) ++failed;
      if (!loaded_) return false;
    }
    std::string summary =
        options_.Transcript + ": " + std::to_string(transcript_.Cases.size()) + " 件中 " +
        std::to_string(transcript_.Cases.size() - static_cast<size_t>(failed)) + " 件成功";
    if (failed > 0) summary += "、" + std::to_string(failed) + " 件失敗";
    WriteLine(out_, summary);
    return failed == 0;
  }

 private:
  // The controller and the character see now, which the case's waits move on.
  TControllerOptions ControllerOptions(const TDateTime& now) const {
    TControllerOptions options;
    options.AppDir = scratch_.Path();
    options.ProgramFileName = kProgramFileName;
    options.Clock = [&now] { return now; };
    options.CharacterClock = options.Clock;
    options.KeepsStateFiles = false;
    return options;
  }

  bool RunCase(const TTranscriptCase& testCase) {
    if (transcript_.Seed) UseFixedRandomSeed(*transcript_.Seed);
    // Without a date and time of its own or the header's, the clock stands where the case starts.
    TDateTime now = testCase.Now.value_or(transcript_.Now.value_or(NowLocal()));
    TTranscriptView view;
    TChatController controller(view, ControllerOptions(now));
    THeadlessDrive drive(
        controller, &view, TTypingPace::Instant, kTranscriptReplyLimit,
        {.TypeUserLine = [&view](const std::string& line) { view.SetBalloonText(line); }});
    if (!controller.Start(characterPath_)) {
      WriteLine(out_, options_.Transcript + ":1: 人格を読み込めません: " + characterPath_);
      loaded_ = false;
      return false;
    }
    bool passed =
        drive.FinishReply() && (testCase.Greeting.empty() ||
                                Compare(testCase.LineNumber, "あいさつ", testCase.Greeting, view));
    for (size_t i = 0; passed && i < testCase.Exchanges.size(); ++i) {
      const TExchange& exchange = testCase.Exchanges[i];
      const std::string what = exchange.WaitSeconds
                                   ? std::to_string(*exchange.WaitSeconds) + " 秒待つ間の話"
                                   : "「" + exchange.UserLine + "」への返答";
      view.TakeShownLines();  // a greeting left unchecked
      const bool finished = exchange.WaitSeconds
                                ? Wait(*exchange.WaitSeconds, now, controller, drive)
                                : drive.Say(exchange.UserLine) && drive.FinishReply();
      if (!finished) {
        Fail(exchange.LineNumber, what + "が終わらないか、話しかけられる番になりません", {});
        passed = false;
      } else {
        passed = Compare(exchange.LineNumber, what, exchange.Expected, view);
      }
    }
    controller.Shutdown();
    return passed;
  }

  // Moves now on by seconds, carrying out each timed talk when it comes due on the way, as the
  // window's timer would; a talk may arm the next. False when the talks do not end: more than
  // kTranscriptReplyLimit of them, or one that never finishes.
  static bool Wait(uint32_t seconds, TDateTime& now, TChatController& controller,
                   THeadlessDrive& drive) {
    const TDateTime end = now + seconds / kSecondsPerDay;
    for (int talks = 0; controller.TimerArmed() && !controller.IsClosed() &&
                        controller.TimerDue() <= end + kClockTolerance;
         ++talks) {
      if (talks == kTranscriptReplyLimit) return false;
      now = std::max(now, controller.TimerDue());
      controller.TimerTimer();
      if (!drive.FinishReply()) return false;
    }
    now = std::max(now, end);
    return true;
  }

  bool Compare(int lineNumber, const std::string& what, const std::vector<TExpectedLine>& expected,
               TTranscriptView& view) {
    const std::vector<std::string> diff = Diff(expected, view.TakeShownLines());
    if (diff.empty()) return true;
    Fail(lineNumber, what + "が違います", diff);
    return false;
  }

  void Fail(int lineNumber, const std::string& what, const std::vector<std::string>& diff) {
    WriteLine(out_, options_.Transcript + ':' + std::to_string(lineNumber) + ": 失敗: " + what);
    for (const std::string& line : diff) WriteLine(out_, line);
  }

  const TTranscriptOptions& options_;
  const TTranscript& transcript_;
  std::ostream& out_;
  std::string characterPath_;  // UTF-8 file-system path
  TScratchFolder scratch_;
  bool loaded_ = true;
};

}  // namespace

int RunTranscript(const TTranscriptOptions& options, std::ostream& out) {
  TTranscript transcript;
  std::vector<TTranscriptError> errors;
  try {
    errors = ParseTranscript(ReadFileSystemBytes(options.Transcript), transcript);
  } catch (const EFileError& error) {
    errors.push_back({1, std::string("読めません: ") + error.what()});
  }
  for (const TTranscriptError& error : errors) {
    WriteLine(out, options.Transcript + ':' + std::to_string(error.LineNumber) +
                       ": error: " + error.Message);
  }
  if (!errors.empty()) return 1;
  try {
    return TTranscriptRun(options, transcript, out).Run() ? 0 : 1;
  } catch (const EFileError& error) {
    WriteLine(out, options.Transcript + ":1: error: " + error.what());
    return 1;
  }
}

}  // namespace kelmo
