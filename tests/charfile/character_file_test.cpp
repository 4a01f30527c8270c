#include "charfile/character_file.h"

#include <gtest/gtest.h>

#include "charfile/character_list.h"
#include "charfile/ini_file.h"
#include "charfile/text_file.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

TEST(TCharacterFile, PairsLinesByPositionFirstKeyWins) {
  testing::TempFolder folder;
  const std::string path =
      folder.Write("c.klc", "Name\r\nMochi\r\nversion\r\n210\r\nNAME\r\nOther\r\ntrailing key\r\n");
  const TCharacterFile file(path);
  EXPECT_EQ(file.ReadValue("name"), "Mochi");
  EXPECT_EQ(file.ReadValue("NAME"), "Mochi");
  EXPECT_EQ(file.ReadValue("version"), "210");
  EXPECT_EQ(file.ReadValue("trailing key"), "");
  EXPECT_EQ(file.ReadValue("missing"), "");
}

TEST(TCharacterFile, StrayLineShiftsPairing) {
  testing::TempFolder folder;
  const std::string path = folder.Write("c.klc", "name\nMochi\n\nfolder\nx\n");
  const TCharacterFile file(path);
  EXPECT_EQ(file.ReadValue("name"), "Mochi");
  EXPECT_EQ(file.ReadValue(""), "folder");  // the blank line became a key
  EXPECT_EQ(file.ReadValue("folder"), "");
  EXPECT_EQ(file.ReadValue("x"), "");
}

TEST(TCharacterFile, ValuesAreTakenWholeAndKeysAreNotTrimmed) {
  testing::TempFolder folder;
  const std::string path = folder.Write("c.klc", "name \n A \ncomment\n  two  blanks \n");
  const TCharacterFile file(path);
  EXPECT_EQ(file.ReadValue("name"), "");
  EXPECT_EQ(file.ReadValue("name "), " A ");
  EXPECT_EQ(file.ReadValue("comment"), "  two  blanks ");
}

TEST(TCharacterFile, FolderRules) {
  testing::TempFolder folder;
  EXPECT_EQ(TCharacterFile(folder.Write("a.klc", "name\nA\n")).Folder, folder.Path());
  EXPECT_EQ(TCharacterFile(folder.Write("b.klc", "folder\nsub\n")).Folder, folder.Path() + "sub/");
  EXPECT_EQ(TCharacterFile(folder.Write("c.klc", "folder\nsub\\\n")).Folder, folder.Path() + "sub\\");
  EXPECT_EQ(TCharacterFile(folder.Path() + "missing.klc").Folder, "");
  EXPECT_EQ(TCharacterFile(folder.Write("d.klc", "folder\nsub\n")).PathInFolder("x.txt"),
            folder.Path() + "sub/x.txt");
}

TEST(TCharacterFile, WindowsDefinitionResolvesToFilesInOtherCase) {
  testing::TempFolder folder;
  folder.Write("Chara/Data/Dict.txt", "hello,hi\r\n");
  const std::string path = folder.Write(
      "chara.klc", "name\r\n\x95\x5c\r\nfolder\r\nCHARA\\DATA\r\ndatab2\r\nDICT.TXT\r\n");
  const TCharacterFile file(path);
  EXPECT_EQ(file.ReadValue("name"), "\x95\x5c");
  EXPECT_EQ(file.Folder, folder.Path() + "CHARA\\DATA/");
  EXPECT_EQ(ReadFileBytes(file.PathInFolder(file.ReadValue("datab2"))), "hello,hi\r\n");
  EXPECT_TRUE(IsValidCharacterFile(path));
}

TEST(IsValidCharacterFile, NeedsNameOrFolder) {
  testing::TempFolder folder;
  EXPECT_FALSE(IsValidCharacterFile(folder.Path() + "missing.klc"));
  EXPECT_FALSE(IsValidCharacterFile(folder.Write("empty.klc", "name\n\nfolder\n\n")));
  EXPECT_TRUE(IsValidCharacterFile(folder.Write("folder.klc", "folder\nx\n")));
  EXPECT_TRUE(IsValidCharacterFile(folder.Write("name.klc", "name\nx\n")));
  EXPECT_FALSE(IsValidCharacterFile(folder.Path()));  // a directory is no file
}

class TCharacterListTest : public ::testing::Test {
 protected:
  std::string Character(const std::string& name) { return folder.Write(name + ".klc", "name\n" + name + "\n"); }
  std::string Settings() const { return folder.Path() + "Kelmo.ini"; }
  testing::TempFolder folder;
};

TEST_F(TCharacterListTest, LoadStopsAtGapAndSaveRenumbers) {
  const std::string a = Character("a"), b = Character("b"), d = Character("d");
  folder.Write("Kelmo.ini", "[Main]\r\nSpeed=55\r\n[Character]\r\nChar1=" + a + "\r\nchar2=" + b +
                                "\r\nChar4=" + d + "\r\n[Other]\r\nx=y\r\n");
  {
    TCharacterList list(Settings());
    EXPECT_EQ(list.Items, (std::vector<std::string>{a, b}));
  }
  const TIniFile ini(Settings());
  EXPECT_EQ(ini.ReadSectionKeys("Character"), (std::vector<std::string>{"Char1", "Char2"}));
  EXPECT_EQ(ini.ReadString("Character", "Char2", ""), b);
  EXPECT_EQ(ini.ReadString("Main", "Speed", ""), "55");  // other sections survive
  EXPECT_EQ(ini.ReadString("other", "X", ""), "y");
}

TEST_F(TCharacterListTest, InvalidEntriesAreDroppedAndNumberingStaysDense) {
  const std::string a = Character("a"), c = Character("c");
  folder.Write("Kelmo.ini", "[Character]\nChar1=" + a + "\nChar2=/no/such.klc\nChar3=" + c + "\n");
  { TCharacterList list(Settings()); EXPECT_EQ(list.Items, (std::vector<std::string>{a, c})); }
  const TIniFile ini(Settings());
  EXPECT_EQ(ini.ReadString("Character", "Char2", ""), c);
  EXPECT_FALSE(ini.ValueExists("Character", "Char3"));
}

TEST_F(TCharacterListTest, AddCharacterIgnoresLetterCaseDuplicates) {
  TCharacterList list(Settings());
  list.AddCharacter("/x/Mochi.klc");
  list.AddCharacter("/X/MOCHI.KLC");
  list.AddCharacter("/x/other.klc");
  EXPECT_EQ(list.Items, (std::vector<std::string>{"/x/Mochi.klc", "/x/other.klc"}));
}

TEST_F(TCharacterListTest, MissingSettingsFileGivesEmptyListAndIsCreatedOnSave) {
  const std::string a = Character("a");
  {
    TCharacterList list(Settings());
    EXPECT_TRUE(list.Items.empty());
    list.AddCharacter(a);
  }
  EXPECT_EQ(folder.Read("Kelmo.ini"), "[Character]\r\nChar1=" + a + "\r\n");
}

}  // namespace
}  // namespace kelmo
