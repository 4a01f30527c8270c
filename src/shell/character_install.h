// Installing a character package and removing a character while the program runs: what the
// controller asks the user on the way (TChatController::InstallCharacterPackage and the selection
// dialog's package buttons, character_install.cpp). The package library does the work and asks
// nobody; these are the questions and notices the controller puts to the view around it.
#pragma once

#include <string>
#include <vector>

#include "package/package_installer.h"

namespace kelmo {

// What an install from the running program came to: the library's result, and the definition file
// (a data path) the user chose to switch to, empty for none.
struct TPackageOffer {
  TInstallResult Result;
  std::string SwitchTo;
};

// Asked before an update, naming the installed characters (UTF-8).
std::string UpdateQuestion(const std::vector<TInstalledCharacter>& installed);

// What was installed, one line per character (InstalledLine), for a view that cannot ask.
std::string InstalledText(const TInstallResult& result);

// What was installed and whether to switch to the first of the characters.
std::string SwitchQuestion(const TInstallResult& result);

// Shown when the character in use was updated: it is loaded again.
std::string ReloadNotice(const TInstalledCharacter& character);

// Asked before a character (its name and definition file, UTF-8) goes to the trash.
std::string RemoveQuestion(const std::string& name, const std::string& definitionPath);

}  // namespace kelmo
