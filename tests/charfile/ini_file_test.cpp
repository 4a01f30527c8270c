#include "charfile/ini_file.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace kelmo {
namespace {

TEST(TIniFile, NamesAreCaseInsensitiveAndBytesPassThrough) {
  testing::TempFolder folder;
  folder.Write("Kelmo.ini", "[Main]\r\nFontName=\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e\r\n");
  const TIniFile ini(folder.Path() + "kelmo.INI");
  EXPECT_EQ(ini.ReadString("MAIN", "fontname", ""), "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e");
  EXPECT_TRUE(ini.SectionExists("main"));
  EXPECT_FALSE(ini.ValueExists("Main", "Speed"));
  EXPECT_EQ(ini.ReadString("Main", "Speed", "55"), "55");
}

TEST(TIniFile, IntegersAndBooleans) {
  testing::TempFolder folder;
  folder.Write("s.ini", "[M]\nA=12\nB=-3\nC=$1F\nD=0x10\nE=abc\nF=1\nG=0\nH=\n");
  const TIniFile ini(folder.Path() + "s.ini");
  EXPECT_EQ(ini.ReadInteger("M", "A", 0), 12);
  EXPECT_EQ(ini.ReadInteger("M", "B", 0), -3);
  EXPECT_EQ(ini.ReadInteger("M", "C", 0), 31);
  EXPECT_EQ(ini.ReadInteger("M", "D", 0), 16);
  EXPECT_EQ(ini.ReadInteger("M", "E", 7), 7);
  EXPECT_EQ(ini.ReadInteger("M", "H", 7), 7);
  EXPECT_EQ(ini.ReadInteger("M", "Missing", 9), 9);
  EXPECT_TRUE(ini.ReadBool("M", "F", false));
  EXPECT_FALSE(ini.ReadBool("M", "G", true));
  EXPECT_TRUE(ini.ReadBool("M", "E", true));
}

TEST(TIniFile, GarbageLinesAreToleratedAndUnknownEntriesKept) {
  testing::TempFolder folder;
  folder.Write("s.ini",
               "garbage before\r\n[Main]\r\nno equals sign\r\n=novalue\r\nSpeed=40\r\n\xff\xfe\x01\r\n"
               "[Unknown]\r\nKeep=me\r\n");
  TIniFile ini(folder.Path() + "s.ini");
  EXPECT_EQ(ini.ReadInteger("Main", "Speed", 0), 40);
  ini.WriteInteger("Main", "Speed", 30);
  ini.UpdateFile();
  const TIniFile again(folder.Path() + "s.ini");
  EXPECT_EQ(again.ReadInteger("Main", "Speed", 0), 30);
  EXPECT_EQ(again.ReadString("Unknown", "Keep", ""), "me");
}

TEST(TIniFile, EraseSectionAndWriteBack) {
  testing::TempFolder folder;
  TIniFile ini(folder.Path() + "s.ini");
  ini.WriteString("A", "x", "1");
  ini.WriteBool("B", "y", true);
  ini.EraseSection("a");
  ini.UpdateFile();
  EXPECT_EQ(folder.Read("s.ini"), "[B]\r\ny=1\r\n");
}

TEST(TIniFile, NulByteEndsTheFile) {
  testing::TempFolder folder;
  using namespace std::string_literals;
  folder.Write("s.ini", "[M]\nA=1\n\0[M]\nB=2\n"s);
  const TIniFile ini(folder.Path() + "s.ini");
  EXPECT_EQ(ini.ReadInteger("M", "A", 0), 1);
  EXPECT_FALSE(ini.ValueExists("M", "B"));
}

}  // namespace
}  // namespace kelmo
