// Wiring of the terminal front end.
#include "tty/terminal_front_end.h"

#include <langinfo.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "instance/single_instance.h"
#include "shell/chat_controller.h"
#include "shell/reported_step.h"
#include "tty/slash_commands.h"
#include "tty/terminal_loop.h"
#include "tty/terminal_view.h"

namespace kelmo {
namespace {

constexpr std::string_view kBanner = "DorrinKelmo  (/help でコマンドの一覧、/quit で終了)";
constexpr const char* kErrorPrefix = "エラー: ";
// Said when second starts cannot be answered; the reason follows.
constexpr const char* kNoHandOverMessage = "あとから起動した DorrinKelmo の引き継ぎができません: ";

// The fallback when the user's locale does not speak UTF-8 (Japanese needs multibyte editing).
constexpr const char* kUtf8Locale = "C.UTF-8";

// The user's locale for everything, with UTF-8 characters: readline edits and measures letters by
// the character type locale, and the view's interface is UTF-8.
void UseUtf8Locale() {
  std::setlocale(LC_ALL, "");
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, kUtf8Locale);
}

}  // namespace

int RunTerminalFrontEnd(const TTerminalOptions& options) {
  UseUtf8Locale();
  TTerminalLoop loop(stdin, stdout);
  TTerminalView view(std::cout, loop, loop.OutputIsTerminal());
  loop.Attach(view);

  TControllerOptions controllerOptions;
  controllerOptions.AppDir = options.AppDir;
  controllerOptions.ProgramFileName = options.ProgramFileName;
  controllerOptions.MainWindowHandle = 0;
  controllerOptions.MainThread = &loop.MainThread();
  TChatController controller(view, controllerOptions);
  controller.SetObserver(&view);

  view.Print(kBanner);
  const auto shutdown = [&] {
    controller.Shutdown();
    return true;
  };
  if (!Reported(std::cerr, kErrorPrefix, [&] { return controller.Start(options.Character); })) {
    Reported(std::cerr, kErrorPrefix, shutdown);
    // A signal that cancelled a start-up dialog ends the program as at any other time.
    return loop.TerminationSignalled() ? 0 : 1;
  }
  if (options.Instance != nullptr) {
    const std::string problem = options.Instance->Serve(
        loop.MainThread(),
        [&](const THandOverRequest& request) { return controller.TakeHandOver(request); });
    if (!problem.empty()) std::cerr << kErrorPrefix << kNoHandOverMessage << problem << std::endl;
  }
  loop.Run(controller, [&](const std::string& line) {
    const TTypedLine typed = ClassifyTypedLine(line);
    if (typed.IsCommand) {
      RunSlashCommand(typed.Text, controller, view, loop);
      return;
    }
    view.SetUserLine(typed.Text);
    controller.PressEnter();
  });
  if (options.Instance != nullptr) options.Instance->StopServing();
  Reported(std::cerr, kErrorPrefix, shutdown);
  // Each failed save was shown as it happened; the exit status says it once more.
  return controller.SaveFailures().empty() ? 0 : 1;
}

}  // namespace kelmo
