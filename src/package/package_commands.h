// The command-line front of packages: "--install FILE" and "--pack CHARACTER.klc [-o FILE]".
// Both print what they did for a person at a terminal and return the program's exit status.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "package/package_installer.h"

namespace kelmo {

// Installs the package into the program folder (UTF-8 file-system paths) and adds its characters
// to the list in the settings file; writes what was installed to out, or the reason for a refusal
// to err. confirmUpdate is asked before an update (see TInstallRequest). Returns 0 when the package
// was installed, 1 otherwise (a declined update included).
int RunInstall(const std::string& programFolder, const std::string& package,
               const std::function<bool(const std::vector<TInstalledCharacter>&)>& confirmUpdate,
               std::ostream& out, std::ostream& err);

// Packs the character; the linter's findings go to err as --lint writes them, then the package's
// entries to out. output empty: the definition file's name with the package extension, in the
// working folder. Returns 0 when the package was written, 1 otherwise.
int RunPack(const std::string& programFolder, const std::string& definition, std::string output,
            std::ostream& out, std::ostream& err);

// The question asked at a terminal before an update, answered from in: "y" or "yes" (any case)
// updates. Writes the question to out.
bool AskUpdateAtTerminal(const std::vector<TInstalledCharacter>& installed, std::istream& in,
                         std::ostream& out);

}  // namespace kelmo
