// The petting menu's data files: labels and texts, the end marker, several files, the inert menu.
#include "shell/nadenade.h"

#include <gtest/gtest.h>

#include "charfile/character_file.h"
#include "charfile/code_page.h"
#include "charfile/data_root.h"
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

// A character opened from another folder whose program-folder namesake has its own petting file:
// that file lies outside the character's root and is passed over, silently when the character's
// own folder has the file.
struct TOutsideCase {
  const char* Name;
  bool OwnFile;
  std::vector<std::string> Labels;
  std::vector<std::string> Problems;  // a part of each message, in order
};
void PrintTo(const TOutsideCase& test, std::ostream* out) {
  *out << test.Name;
}

class NadenadeOutsideTest : public NadenadeTest,
                            public ::testing::WithParamInterface<TOutsideCase> {};

TEST_P(NadenadeOutsideTest, OutsideFileIsReportedOnlyWhenNothingElseIsFound) {
  home.Write("far/nade.txt", "program copy,x\r\n");
  const TempFolder elsewhere;
  if (GetParam().OwnFile) elsewhere.Write("far/nade.txt", "stroke,hello\r\n");
  const std::string definition =
      WriteCharacter(elsewhere, "far", "Far", {}, {"nadenade", "true", "datanadenade", "nade.txt"});
  const TDataRoot root = TDataRoot::ForCharacter(definition, home.Path());
  const std::vector<std::string> problems =
      menu.Load(TCharacterFile(definition), home.Path(), &root);
  EXPECT_EQ(menu.Labels(), GetParam().Labels);
  ASSERT_EQ(problems.size(), GetParam().Problems.size());
  for (size_t i = 0; i < problems.size(); ++i) {
    EXPECT_NE(problems[i].find(GetParam().Problems[i]), std::string::npos) << problems[i];
  }
}

INSTANTIATE_TEST_SUITE_P(OpenedFromAnotherFolder, NadenadeOutsideTest,
                         ::testing::Values(TOutsideCase{"OwnFileFound", true, {"stroke"}, {}},
                                           TOutsideCase{
                                               "OnlyTheOutsideFile",
                                               false,
                                               {},
                                               {"treated as missing", "nade.txt is not exists."}}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(NadenadeTest, ReloadingReplacesTheMenu) {
  home.Write("pet/nade.txt", "a,1\r\n");
  const TCharacterFile file = Character({"nadenade", "true", "datanadenade", "nade.txt"});
  menu.Load(file, home.Path());
  menu.Load(file, home.Path());
  EXPECT_EQ(menu.Labels().size(), 1u);
}

}  // namespace
}  // namespace kelmo
