// A program folder for the package tests: one character "hana" installed and listed in
// "Kelmo.ini", with a state file, and a second folder outside it where packages are written.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "charfile/character_list.h"
#include "charfile/code_page.h"
#include "package/package_installer.h"
#include "package/test_archives.h"
#include "shell/test_characters.h"
#include "support/temp_folder.h"

namespace kelmo::testing {

class PackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteCharacter(home_, "hana", "はな", {{"HELLO", "こんにちは"}, {"", "うん"}});
    home_.Write("hana/hana.kls", "hana's memories");
    TCharacterList list(SettingsPath());
    list.AddCharacter(Utf8ToShiftJis(HomePath() + "/hana.klc"));
    list.Save();
  }

  // The program folder without a final "/".
  std::string HomePath() const { return home_.Path().substr(0, home_.Path().size() - 1); }
  std::string SettingsPath() const { return Utf8ToShiftJis(home_.Path() + "Kelmo.ini"); }

  // Installs bytes as a package into the program folder with request's settings, through a list
  // read from and written back to the settings file.
  TInstallResult Install(const std::string& bytes, TInstallRequest request = {}) {
    request.Package = WriteFile(packages_.Path() + "package.klz", bytes);
    request.ProgramFolder = HomePath();
    TCharacterList list(SettingsPath());
    return InstallPackage(request, list);
  }

  // The listed definition files, in order.
  std::vector<std::string> Listed() const { return TCharacterList(SettingsPath()).Items; }

  static std::string WriteFile(const std::string& path, const std::string& bytes) {
    testing::WriteFile(path, bytes);
    return path;
  }

  TempFolder home_;
  TempFolder packages_;
};

}  // namespace kelmo::testing
