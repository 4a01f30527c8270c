// The program's entry point: reads the command line, finds the program folder and hands over to a
// front end: the window when a display is available, the terminal with "--tty" or without a
// display (or when the display cannot be reached), the batch mode with "--batch".
//
// One program runs per program folder: a start that finds another running on its folder hands
// its command line over to it and ends (status 0 when it was taken); a batch run stops instead.
// An installed program's first start in a program folder copies the bundled characters there.
// "--install" (also a package named alone, as a file manager opens one) installs a character
// package into the program folder, and "--pack" writes a character's package for its author.
#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "charfile/random_source.h"
#include "gui/window_front_end.h"
#include "instance/first_start.h"
#include "instance/program_folder.h"
#include "instance/single_instance.h"
#include "lint/character_linter.h"
#include "lint/transcript_runner.h"
#include "package/install_journal.h"
#include "package/package_commands.h"
#include "tty/batch_runner.h"
#include "tty/program_options.h"
#include "tty/terminal_front_end.h"

namespace {

// Exit status of a command-line mistake (a failed start-up exits with 1).
constexpr int kUsageStatus = 2;
// Exit status of a start whose request the running program could not take now ("--say" outside
// the user's turn, a dialog open): trying again later may work.
constexpr int kBusyStatus = 3;
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

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The exit status and message of a start that handed its command line over.
int ReportHandOver(const kelmo::THandOverAnswer& answer) {
  if (answer.Status == kelmo::THandOverStatus::Done) return 0;
  std::cerr << kProgramPrefix << answer.Message << '\n';
  return answer.Status == kelmo::THandOverStatus::Busy ? kBusyStatus : 1;
}

// Takes the program folder for this start, or hands the start over to the program running on it
// (a batch run only takes it). Returns the exit status when this start ends here; otherwise
// instance holds the folder (null when the folder cannot be locked: the start runs unguarded).
std::optional<int> ClaimFolder(const std::string& appDir, const kelmo::TProgramOptions& options,
                               const std::string& character,
                               std::unique_ptr<kelmo::TSingleInstance>& instance) {
  try {
    if (options.Batch) {
      instance = kelmo::TSingleInstance::TryClaim(appDir);
      if (instance != nullptr) return std::nullopt;
      std::cerr << kProgramPrefix << "このフォルダでは DorrinKelmo が動いています。"
                << "終わってからもう一度実行してください: " << appDir << '\n';
      return 1;
    }
    const kelmo::THandOverRequest request{character, options.Say,
                                          Environment("DESKTOP_STARTUP_ID"), ""};
    kelmo::THandOverAnswer answer;
    instance = kelmo::TSingleInstance::ClaimOrHandOver(appDir, std::getenv("XDG_RUNTIME_DIR"),
                                                       request, answer);
    if (instance == nullptr) return ReportHandOver(answer);
  } catch (const std::system_error& error) {
    std::cerr << kProgramPrefix
              << "ほかの DorrinKelmo と同時に動かないようにできません: " << error.what() << '\n';
  }
  if (options.Say) {
    std::cerr << kProgramPrefix << "話しかける DorrinKelmo が動いていません: " << appDir << '\n';
    return 1;
  }
  return std::nullopt;
}

// An installed program's first start in the program folder: the bundled characters are copied.
void SeedOnFirstStart(const std::string& appDir, const std::string& shareFolder) {
  if (shareFolder.empty() || !kelmo::IsFirstStart(appDir)) return;
  for (const std::string& problem : kelmo::SeedProgramFolder(appDir, shareFolder).Problems) {
    std::cerr << kProgramPrefix << problem << '\n';
  }
}

// "--install": the one place that decides how a package reaches the program folder. A program
// running on the folder keeps the list of installed characters in memory and writes it when it
// ends, so the package is handed over to it: it installs into its own list and the window offers
// the switch. This start prints what was installed or why not, and exits 0 only when installed.
int InstallFromCommandLine(const std::string& appDir, const std::string& package,
                           const std::string& executable) {
  const std::string packagePath = AbsoluteCharacterPath(package);
  std::unique_ptr<kelmo::TSingleInstance> instance;
  try {
    kelmo::THandOverRequest request;
    request.Package = packagePath;
    request.StartupId = Environment("DESKTOP_STARTUP_ID");
    kelmo::THandOverAnswer answer;
    instance = kelmo::TSingleInstance::ClaimOrHandOver(appDir, std::getenv("XDG_RUNTIME_DIR"),
                                                       request, answer);
    if (instance == nullptr) {
      if (answer.Status != kelmo::THandOverStatus::Done) return ReportHandOver(answer);
      std::cout << answer.Message << '\n';
      return 0;
    }
  } catch (const std::system_error& error) {
    std::cerr << kProgramPrefix << "ほかの DorrinKelmo と同時に動かないようにできません: "
              << error.what() << '\n';
    return 1;
  }
  SeedOnFirstStart(appDir, kelmo::InstalledShareFolder(executable));
  // At a terminal an update is asked about; a script's install updates.
  const bool atTerminal = ::isatty(STDIN_FILENO) == 1;
  return kelmo::RunInstall(
      appDir, packagePath,
      [atTerminal](const std::vector<kelmo::TInstalledCharacter>& installed) {
        return !atTerminal || kelmo::AskUpdateAtTerminal(installed, std::cin, std::cout);
      },
      std::cout, std::cerr);
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
  const std::string defaultFolder =
      kelmo::DefaultProgramFolder(executable, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
  const std::string appDir = kelmo::ProgramFolder(
      *options, std::getenv(std::string(kelmo::kHomeVariable).c_str()), defaultFolder);
  if (appDir == defaultFolder) {
    // The user's own folder of an installed program is made by its first start.
    std::error_code ignored;
    std::filesystem::create_directories(appDir, ignored);
  }
  if (!std::filesystem::is_directory(appDir)) {
    std::cerr << kProgramPrefix << "フォルダがありません: " << appDir << '\n';
    return kUsageStatus;
  }
  const std::string programFileName = std::filesystem::path(executable).filename().string();
  const std::string character = AbsoluteCharacterPath(options->Character);

  // The authoring tools write nothing into the program folder, so they run beside a running
  // program.
  if (options->Lint) return kelmo::RunLint({appDir, character}, options->Json, std::cout);
  if (!options->Test.empty()) return kelmo::RunTranscript({appDir, options->Test}, std::cout);
  if (options->Pack) return kelmo::RunPack(appDir, character, options->Output, std::cout, std::cerr);
  if (!options->Install.empty()) return InstallFromCommandLine(appDir, options->Install, executable);

  std::unique_ptr<kelmo::TSingleInstance> instance;
  if (const std::optional<int> status = ClaimFolder(appDir, *options, character, instance)) {
    return *status;
  }
  SeedOnFirstStart(appDir, kelmo::InstalledShareFolder(executable));
  // An install that stopped halfway puts its characters back before the list is read.
  kelmo::RecoverInterruptedInstallsAtStart(appDir);

  const kelmo::TFrontEnd frontEnd = kelmo::ChooseFrontEnd(*options, DisplayAvailable());
  if (frontEnd == kelmo::TFrontEnd::Batch) {
    return kelmo::RunBatch({appDir, programFileName, character, options->Seed}, std::cin,
                           std::cout, std::cerr);
  }
  if (options->Seed) kelmo::UseFixedRandomSeed(*options->Seed);
  if (frontEnd == kelmo::TFrontEnd::Window) {
    if (kelmo::WindowSystemReachable()) {
      return kelmo::RunWindowFrontEnd({appDir, programFileName, character, instance.get()});
    }
    std::cerr << kProgramPrefix << kNoWindowMessage << '\n';
  }
  return kelmo::RunTerminalFrontEnd({appDir, programFileName, character, instance.get()});
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
