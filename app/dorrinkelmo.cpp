// The program's entry point: reads the command line, finds the program folder and hands over to a
// front end: the window when a display is available, the terminal with "--tty" or without a
// display (or when the display cannot be reached), the batch mode with "--batch".
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "charfile/random_source.h"
#include "gui/window_front_end.h"
#include "tty/batch_runner.h"
#include "tty/program_options.h"
#include "tty/terminal_front_end.h"

namespace {

// Exit status of a command-line mistake (a failed start-up exits with 1).
constexpr int kUsageStatus = 2;
constexpr const char* kProgramPrefix = "dorrinkelmo: ";
// Shown when a display is named but cannot be reached.
constexpr const char* kNoWindowMessage = "画面に接続できないため、端末で起動します";

// The running executable's path, which the program folder defaults to.
std::string ExecutablePath(const char* argumentZero) {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) return path.string();
  return std::filesystem::absolute(argumentZero, error).string();
}

bool DisplayAvailable() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

// The character argument as an absolute path, so that the list of installed characters keeps a
// path that works from any working folder.
std::string AbsoluteCharacterPath(const std::string& character) {
  if (character.empty()) return character;
  std::error_code error;
  const std::filesystem::path path = std::filesystem::absolute(character, error);
  return error ? character : path.lexically_normal().string();
}

int Run(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  std::string error;
  const std::optional<kelmo::TProgramOptions> options =
      kelmo::ParseProgramOptions(arguments, error);
  if (!options) {
    std::cerr << kProgramPrefix << error << '\n' << kelmo::UsageText();
    return kUsageStatus;
  }
  if (options->Help) {
    std::cout << kelmo::UsageText();
    return 0;
  }
  const std::string executable = ExecutablePath(argv[0]);
  const std::string appDir = kelmo::ProgramFolder(
      *options, std::getenv(std::string(kelmo::kHomeVariable).c_str()), executable);
  if (!std::filesystem::is_directory(appDir)) {
    std::cerr << kProgramPrefix << "フォルダがありません: " << appDir << '\n';
    return kUsageStatus;
  }
  const std::string programFileName = std::filesystem::path(executable).filename().string();
  const std::string character = AbsoluteCharacterPath(options->Character);

  const kelmo::TFrontEnd frontEnd = kelmo::ChooseFrontEnd(*options, DisplayAvailable());
  if (frontEnd == kelmo::TFrontEnd::Batch) {
    return kelmo::RunBatch({appDir, programFileName, character, options->Seed}, std::cin,
                           std::cout, std::cerr);
  }
  if (options->Seed) kelmo::UseFixedRandomSeed(*options->Seed);
  if (frontEnd == kelmo::TFrontEnd::Window) {
    if (kelmo::WindowSystemReachable()) {
      return kelmo::RunWindowFrontEnd({appDir, programFileName, character});
    }
    std::cerr << kProgramPrefix << kNoWindowMessage << '\n';
  }
  return kelmo::RunTerminalFrontEnd({appDir, programFileName, character});
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << kProgramPrefix << error.what() << '\n';
    return 1;
  }
}
