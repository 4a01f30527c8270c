// Where the program keeps its settings, logs and characters when neither "--home" nor KELMO_HOME
// names a folder. A program run from a folder of its own (the build folder, an unpacked copy) keeps
// everything beside the executable, as it always did. An installed program cannot: its executable
// lies in a system folder, shared by every user. It then uses a folder of the user's own under the
// XDG data folder, and the characters it brings lie in its installed share folder, from which the
// first start copies them (first_start.h).
//
// An installed program is recognised by its share folder beside the executable's folder
// (<prefix>/bin/dorrinkelmo and <prefix>/share/dorrinkelmo/), not only by a folder it cannot write:
// an administrator may write anywhere, yet must not get "Kelmo.ini" in /usr/bin.
#pragma once

#include <string>
#include <string_view>

namespace kelmo {

// The name of the user's program folder below the XDG data folder.
inline constexpr std::string_view kUserFolderName = "dorrinkelmo";

// The installed program's share folder (the bundled characters), found from the executable's path
// through the install layout: "<executable folder>/../share/dorrinkelmo" for the usual layout. An
// absolute UTF-8 path ending in "/", or empty when there is no such folder (a portable program).
std::string InstalledShareFolder(const std::string& executablePath);

// "$XDG_DATA_HOME/dorrinkelmo", or "$HOME/.local/share/dorrinkelmo" when XDG_DATA_HOME is unset,
// empty or relative (such a value is to be ignored); empty when HOME is needed and unset or
// relative too. The arguments are the variables' values and may be null.
std::string UserProgramFolder(const char* xdgDataHome, const char* home);

// The program folder when none is named: the executable's folder when the program is portable
// (not installed, and the folder is writable), else UserProgramFolder (which may not exist yet).
// Falls back to the executable's folder when there is no user folder to use.
std::string DefaultProgramFolder(const std::string& executablePath, const char* xdgDataHome,
                                 const char* home);

}  // namespace kelmo
