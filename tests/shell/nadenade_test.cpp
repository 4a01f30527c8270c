// The petting menu's data files: labels and texts, the end marker, several files, the inert menu.
#include "shell/nadenade.h"

#include <gtest/gtest.h>

#include "charfile/character_file.h"
#include "charfile/code_page.h"
#include "support/temp_folder.h"
#include "test_characters.h"

namespace kelmo {
namespace {

using testing::TempFolder;
using testing::WriteCharacter;

std::string Sjis(const char* text) {
  return Utf8ToShiftJis(text);
}

class NadenadeTest : public ::testing::Test {
 protected:
  // A character "pet" in the program folder with the given petting keys.
  TCharacterFile Character(const std::vector<std::string>& keys) {
    return TCharacterFile(WriteCharacter(home, "pet", "Pet", {}, keys));
  }

  TempFolder home;
  TNadenadeMenu menu;
};

TEST_F(NadenadeTest, LinesGiveLabelAndTextAndShortLinesAreSkipped) {
  home.Write("pet/nade.txt", Sjis("なでる,なでなで\r\n"
                                  "single\r\n"
                                  "\r\n"
                                  "poke here\r\n"
                                  "\"a, b\",\"said \"\"hi\"\"\",ignored\r\n"
                                  "{ENDOFDATA}\r\n"
                                  "after,marker alone does not end\r\n"));
  EXPECT_TRUE(
      menu.Load(Character({"nadenade", "True", "datanadenade", "nade.txt"}), home.Path()).empty());
  EXPECT_EQ(menu.Labels(), (std::vector<std::string>{Sjis("なでる"), "poke", "a, b", "after"}));
  ASSERT_NE(menu.ActionAt(0), nullptr);
  EXPECT_EQ(*menu.ActionAt(0), Sjis("なでなで"));
  EXPECT_EQ(*menu.ActionAt(1), "here");  // a blank splits an unquoted label
  EXPECT_EQ(*menu.ActionAt(2), "said \"hi\"");
  EXPECT_EQ(menu.ActionAt(4), nullptr);
  EXPECT_EQ(menu.ActionAt(-1), nullptr);
}

TEST_F(NadenadeTest, EndMarkerEndsOnlyItsOwnFile) {
  home.Write("pet/one.txt", "a,1\r\n{endofdata},x\r\nb,2\r\n");
  home.Write("pet/two.txt", "c,3\r\n");
  menu.Load(Character({"nadenade", "1", "datanadenade", "one.txt two.txt"}), home.Path());
  EXPECT_EQ(menu.Labels(), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(*menu.ActionAt(1), "3");
}

TEST_F(NadenadeTest, CharacterWithoutPettingGetsTheInertItem) {
  home.Write("pet/nade.txt", "a,1\r\n");
  for (const char* flag : {"", "0", "no"}) {
    menu.Load(Character({"nadenade", flag, "datanadenade", "nade.txt"}), home.Path());
    EXPECT_EQ(menu.Labels(), std::vector<std::string>{Sjis("なでなで未対応人格")}) << flag;
    EXPECT_EQ(menu.ActionAt(0), nullptr);
  }
}

TEST_F(NadenadeTest, MissingFileIsReportedAndTheOthersStillLoad) {
  home.Write("pet/two.txt", "c,3\r\n");
  const std::vector<std::string> problems =
      menu.Load(Character({"nadenade", "true", "datanadenade", "gone.txt,two.txt"}), home.Path());
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("gone.txt is not exists."), std::string::npos);
  EXPECT_EQ(menu.Labels(), std::vector<std::string>{"c"});
}

TEST_F(NadenadeTest, CharacterInstalledElsewhereFindsItsFilesInItsOwnFolder) {
  const TempFolder elsewhere;
  elsewhere.Write("far/nade.txt", "stroke,hello\r\n");
  const TCharacterFile far(WriteCharacter(elsewhere, "far", "Far", {},
                                          {"nadenade", "true", "datanadenade", "nade.txt"}));
  EXPECT_TRUE(menu.Load(far, home.Path()).empty());
  EXPECT_EQ(menu.Labels(), std::vector<std::string>{"stroke"});
}

TEST_F(NadenadeTest, ReloadingReplacesTheMenu) {
  home.Write("pet/nade.txt", "a,1\r\n");
  const TCharacterFile file = Character({"nadenade", "true", "datanadenade", "nade.txt"});
  menu.Load(file, home.Path());
  menu.Load(file, home.Path());
  EXPECT_EQ(menu.Labels().size(), 1u);
}

}  // namespace
}  // namespace kelmo
