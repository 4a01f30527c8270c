// How fast the controller types: a reply echoed from a long user line, shown by the Enter key's
// fast-forward (every letter goes through one typing step and one balloon append), and a reply
// made mostly of display commands. The cost per letter must not grow with the reply's length.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "shell/about_texts.h"
#include "shell/character_selection.h"
#include "shell/chat_controller.h"
#include "shell/config_dialog.h"

namespace kelmo {
namespace {

// A balloon that only keeps its text.
class TBalloonView : public TChatView {
 public:
  std::string BalloonText() const override { return balloon_; }
  void SetBalloonText(const std::string& text) override { balloon_ = text; }
  void AppendToLastLine(const std::string& text) override {
    balloon_.insert(balloon_.size() - 2, text);
  }
  void SetBalloonReadOnly(bool) override {}
  void ShowMessage(const std::string&) override {}
  bool ShowCharacterSelection(TCharacterSelection&) override { return false; }
  bool ShowSettingsDialog(TConfigDialogData&) override { return false; }
  void ShowAboutDialog(const TAboutTexts&) override {}
  void Close() override {}

 private:
  std::string balloon_;
};

// A program folder with a character that echoes every line and answers "commands" with a reply
// of display commands; removed with everything in it.
class TEchoHome {
 public:
  TEchoHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelmo-bench-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
    std::filesystem::create_directories(path_ / "echo");
    std::string commands;
    for (int i = 0; i < 1000; ++i) commands += "{DELAY:1}a{$:bc}{^H}{HELLO}";
    Write("echo/dict.txt",
          "{EQ{OPERATEMESSAGE}|COMMANDS}," + commands + "\r\n{PRIOR},-\r\nTRUE,{PREV}\r\n");
    Write("echo.klc", "name\r\nEcho\r\nfolder\r\necho\r\nversion\r\n210\r\ndata02\r\ndict.txt\r\n");
    Write("Kelmo.ini", "[User]\r\nUser=a{BR}b{BR}c{BR}d{BR}{BR}2000/01/01\r\n[Log]\r\nKeep=0\r\n");
  }
  ~TEchoHome() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  std::string Path() const { return path_.string() + "/"; }

 private:
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / name, std::ios::binary) << bytes;
  }

  std::filesystem::path path_;
};

// Types the reply to line at once and returns the balloon's length.
size_t Converse(TChatController& controller, TBalloonView& view, const std::string& line) {
  if (controller.State() == stTyping) controller.PressEnter();
  if (controller.State() == stReplyDone) controller.PressEnter();
  view.SetBalloonText(line);
  controller.PressEnter();
  controller.PressEnter();
  return view.BalloonText().size();
}

void BM_FastForwardEcho(benchmark::State& state) {
  const TEchoHome home;
  TBalloonView view;
  TControllerOptions options;
  options.AppDir = home.Path();
  TChatController controller(view, options);
  if (!controller.Start(home.Path() + "echo.klc"))
    state.SkipWithError("the character did not load");
  const std::string line(static_cast<size_t>(state.range(0)), 'a');
  std::string alternate = line;
  alternate.back() = 'b';  // the same line twice in a row would be marked as repeated
  bool flip = false;
  for (auto _ : state) {
    benchmark::DoNotOptimize(Converse(controller, view, (flip = !flip) ? line : alternate));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  controller.Shutdown();
}
BENCHMARK(BM_FastForwardEcho)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_DisplayCommands(benchmark::State& state) {
  const TEchoHome home;
  TBalloonView view;
  TControllerOptions options;
  options.AppDir = home.Path();
  TChatController controller(view, options);
  if (!controller.Start(home.Path() + "echo.klc"))
    state.SkipWithError("the character did not load");
  bool flip = false;
  for (auto _ : state) {
    // Alternating with another line keeps "commands" from being marked as repeated.
    benchmark::DoNotOptimize(Converse(controller, view, (flip = !flip) ? "commands" : "x"));
  }
  state.SetItemsProcessed(state.iterations() * 5000 / 2);  // commands typed per iteration
  controller.Shutdown();
}
BENCHMARK(BM_DisplayCommands)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelmo

BENCHMARK_MAIN();
