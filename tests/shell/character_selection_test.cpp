// The character selection's model: scanning the program folder, rows, adding, deleting, OK and
// Cancel on the character list, and the list as it is written back.
#include "shell/character_selection.h"

#include <gtest/gtest.h>

#include "charfile/character_list.h"
#include "charfile/ini_file.h"
#include "support/temp_folder.h"
#include "test_characters.h"

namespace kelmo {
namespace {

using testing::TempFolder;
using testing::WriteCharacter;

class CharacterSelectionTest : public ::testing::Test {
 protected:
  std::string Settings() const { return home.Path() + "Kelmo.ini"; }

  TempFolder home;
  TempFolder elsewhere;
};

std::vector<std::string> RowPaths(const TCharacterSelection& selection) {
  std::vector<std::string> paths;
  for (const TCharacterRow& row : selection.Rows()) paths.push_back(row.Path);
  return paths;
}

TEST_F(CharacterSelectionTest, OpeningAddsValidCharacterFilesBesideTheProgram) {
  const std::string alice = WriteCharacter(home, "alice", "Alice", {});
  const std::string bob = WriteCharacter(home, "BOB", "Bob", {});
  home.Write("broken.klc", "comment\r\nno name, no folder\r\n");
  home.Write("notes.txt", "name\r\nNot a klc\r\n");
  TCharacterList list(Settings());
  {
    TCharacterSelection selection(list, home.Path());
    EXPECT_EQ(list.Items, (std::vector<std::string>{bob, alice}));
    ASSERT_EQ(selection.Rows().size(), 2u);
    EXPECT_EQ(selection.Rows()[0].Name, "Bob");
    EXPECT_EQ(selection.Rows()[1].Path, alice);
    selection.Cancel();
    EXPECT_TRUE(selection.Cancelled());
  }
  // Cancelling keeps what the scan added.
  EXPECT_EQ(list.Items.size(), 2u);
}

TEST_F(CharacterSelectionTest, RowsFollowTheListAndSkipInvalidEntries) {
  const std::string far = WriteCharacter(elsewhere, "far", "Far", {});
  const std::string alice = WriteCharacter(home, "alice", "Alice", {});
  TCharacterList list(Settings());
  list.Items = {far, elsewhere.Path() + "gone.klc"};
  const TCharacterSelection selection(list, home.Path());
  EXPECT_EQ(RowPaths(selection), (std::vector<std::string>{far, alice}));
}

TEST_F(CharacterSelectionTest, BrowsingAnInvalidFileSaysSoAndAddsNothing) {
  TCharacterList list(Settings());
  TCharacterSelection selection(list, home.Path());
  const std::string text = elsewhere.Write("plain.txt", "hello\r\n");
  EXPECT_EQ(selection.AddFile(text), "無効なファイルです");
  EXPECT_EQ(selection.AddFile(elsewhere.Path() + "missing.klc"), "無効なファイルです");
  EXPECT_TRUE(selection.Rows().empty());

  const std::string far = WriteCharacter(elsewhere, "far", "遠く", {});
  EXPECT_EQ(selection.AddFile(far), "");
  ASSERT_EQ(selection.Rows().size(), 1u);
  EXPECT_EQ(selection.Rows()[0].Name, "遠く");
}

TEST_F(CharacterSelectionTest, OkWithoutSelectionAsksForOne) {
  WriteCharacter(home, "alice", "Alice", {});
  TCharacterList list(Settings());
  TCharacterSelection selection(list, home.Path());
  EXPECT_EQ(selection.Confirm(-1), "人格を選択してください");
  EXPECT_EQ(selection.Confirm(5), "人格を選択してください");
  EXPECT_EQ(selection.SelectedPath(), "");
  EXPECT_EQ(selection.Rows().size(), 1u);
}

TEST_F(CharacterSelectionTest, OkPutsTheChoiceFirstDropsDeletedRowsAndKeepsAddedOnes) {
  const std::string alice = WriteCharacter(home, "alice", "Alice", {});
  const std::string bob = WriteCharacter(home, "bob", "Bob", {});
  const std::string carol = WriteCharacter(home, "carol", "Carol", {});
  const std::string far = WriteCharacter(elsewhere, "far", "Far", {});
  {
    TCharacterList list(Settings());
    TCharacterSelection selection(list, home.Path());
    ASSERT_EQ(RowPaths(selection), (std::vector<std::string>{alice, bob, carol}));
    selection.DeleteRow(0);                 // Alice goes
    ASSERT_EQ(selection.AddFile(far), "");  // Far joins
    ASSERT_EQ(selection.AddFile(bob), "");  // a duplicate row
    EXPECT_EQ(selection.Confirm(1), "");    // Carol
    EXPECT_EQ(selection.SelectedPath(), carol);
    EXPECT_EQ(list.Items, (std::vector<std::string>{carol, bob, far}));
  }
  // The list is written back when it goes, numbered densely from 1.
  const TIniFile ini(Settings());
  EXPECT_EQ(ini.ReadString("Character", "Char1", ""), carol);
  EXPECT_EQ(ini.ReadString("Character", "Char2", ""), bob);
  EXPECT_EQ(ini.ReadString("Character", "Char3", ""), far);
  EXPECT_FALSE(ini.ValueExists("Character", "Char4"));
}

TEST_F(CharacterSelectionTest, DeletingOutsideTheRowsDoesNothing) {
  WriteCharacter(home, "alice", "Alice", {});
  TCharacterList list(Settings());
  TCharacterSelection selection(list, home.Path());
  selection.DeleteRow(-1);
  selection.DeleteRow(1);
  EXPECT_EQ(selection.Rows().size(), 1u);
}

}  // namespace
}  // namespace kelmo
