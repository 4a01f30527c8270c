// The program's command line and the choices made from it before any front end starts:
//
//   dorrinkelmo [--tty] [--home DIR] [--seed N] [CHARACTER.klc]
//   dorrinkelmo [--home DIR] --say TEXT
//   dorrinkelmo --batch [--seed N] [--home DIR] CHARACTER.klc
//   dorrinkelmo --lint [--json] [--home DIR] CHARACTER.klc
//   dorrinkelmo --test FILE [--home DIR]
//   dorrinkelmo --install PACKAGE.klz [--home DIR]     (or PACKAGE.klz alone, as a file manager opens it)
//   dorrinkelmo --pack CHARACTER.klc [-o FILE] [--home DIR]
//
// The program folder (settings, logs, plug-ins, bundled characters) is "--home DIR", else the
// environment variable KELMO_HOME, else a default that depends on how the program is installed
// (src/instance/program_folder.h). The window front end is chosen when a display is available
// and neither "--tty" nor "--batch" is given. "--say TEXT" speaks to the program already running
// on the program folder and starts none.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelmo {

// The environment variable naming the program folder.
inline constexpr std::string_view kHomeVariable = "KELMO_HOME";

struct TProgramOptions {
  bool Tty = false;              // --tty: the terminal front end even with a display
  bool Batch = false;            // --batch: JSON Lines for character authors
  bool Help = false;             // --help
  std::optional<uint32_t> Seed;  // --seed N: fixes the random source
  std::string Home;              // --home DIR
  std::optional<std::string> Say;  // --say TEXT: a line for the running program's character
  std::string Character;         // the definition file to start with
  bool Lint = false;             // --lint: report what the character's files do not do
  bool Json = false;             // --json: the --lint report as JSON Lines
  std::string Test;              // --test FILE: run a transcript test
  std::string Install;           // --install FILE, or a package named alone: install it
  bool Pack = false;             // --pack: write the character's package
  std::string Output;            // -o FILE: the package --pack writes
};

// Reads the arguments after the program name. A usage error gives std::nullopt and its message
// in error.
std::optional<TProgramOptions> ParseProgramOptions(const std::vector<std::string>& arguments,
                                                   std::string& error);

// The usage text printed for --help and after a usage error.
std::string UsageText();

// The program folder: options.Home, else homeVariable (the value of KELMO_HOME, may be null or
// empty), else defaultFolder (DefaultProgramFolder of src/instance/program_folder.h). The result
// is absolute.
std::string ProgramFolder(const TProgramOptions& options, const char* homeVariable,
                          const std::string& defaultFolder);

// The front ends the program can run.
enum class TFrontEnd { Window, Terminal, Batch };

// Which front end the options and the environment ask for.
TFrontEnd ChooseFrontEnd(const TProgramOptions& options, bool displayAvailable);

}  // namespace kelmo
