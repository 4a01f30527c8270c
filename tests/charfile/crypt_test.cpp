#include "charfile/crypt.h"

#include <gtest/gtest.h>

#include "charfile/text_file.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

std::string AllBytesFrom32() {
  std::string line;
  for (int b = 32; b <= 255; ++b) line += static_cast<char>(b);
  return line;
}

TEST(TCrypt, EveryByteFrom32To255SurvivesWithAnyKey) {
  for (const std::string key : {"k", "MossyLanterns", "\xff\x13", "name with blanks"}) {
    TCrypt scramble(TCrypt::Scramble);
    TCrypt unscramble(TCrypt::Unscramble);
    scramble.SetKey(key);
    unscramble.SetKey(key);
    const std::string line = AllBytesFrom32();
    const std::string scrambled = scramble.TransformText(line);
    ASSERT_EQ(scrambled.size(), line.size());
    for (const char byte : scrambled) ASSERT_GE(static_cast<unsigned char>(byte), 32);
    EXPECT_EQ(unscramble.TransformText(scrambled), line) << key;
  }
}

TEST(TCrypt, ShiftIsKeyByteModulo20) {
  TCrypt scramble(TCrypt::Scramble);
  scramble.SetKey("\x13");  // 19
  EXPECT_EQ(scramble.TransformText("\xfa"), "-");  // 250 + 19 - 224 = 45
  TCrypt unscramble(TCrypt::Unscramble);
  unscramble.SetKey("\x13");
  EXPECT_EQ(unscramble.TransformText("-"), "\xfa");
  scramble.SetKey("(");  // 40 % 20 = 0
  EXPECT_EQ(scramble.TransformText("abc"), "abc");
}

TEST(TCrypt, KeyRepeatsAlongTheLine) {
  TCrypt scramble(TCrypt::Scramble);
  scramble.SetKey("\x01\x02");
  EXPECT_EQ(scramble.TransformText("aaaaa"), "bcbcb");
  EXPECT_EQ(scramble.TransformText("aa"), "bc");  // starts afresh for every line
}

TEST(TCrypt, EmptyKeyLeavesLinesUnchanged) {
  TCrypt scramble(TCrypt::Scramble);
  scramble.SetKey("");
  EXPECT_EQ(scramble.TransformText("plain"), "plain");
  std::vector<std::string> lines{"a", "b"};
  scramble.TransformList(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"encrypted", "a", "b"}));
}

TEST(TCrypt, ScramblingTwoLinesGivesThreeWithKeyInHeader) {
  TCrypt scramble(TCrypt::Scramble);
  scramble.SetKey("Mochi");
  std::vector<std::string> lines{"first line", "second"};
  scramble.TransformList(lines);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(IsScrambled(lines));
  EXPECT_EQ(ReadFileKey(lines), "Mochi");
  // The object's key is the file key again afterwards.
  EXPECT_EQ(scramble.TransformText("second"), lines[2]);

  UnscrambleIfNeeded(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"first line", "second"}));
}

TEST(TCrypt, EmptyListStaysEmpty) {
  std::vector<std::string> lines;
  TCrypt scramble(TCrypt::Scramble);
  scramble.TransformList(lines);
  EXPECT_TRUE(lines.empty());
  TCrypt unscramble(TCrypt::Unscramble);
  unscramble.TransformList(lines);
  EXPECT_TRUE(lines.empty());
}

TEST(IsScrambled, MarkerInAnyLetterCase) {
  EXPECT_TRUE(IsScrambled({"ENCRYPTED"}));
  EXPECT_TRUE(IsScrambled({"EnCrYpTeDxyz"}));
  EXPECT_FALSE(IsScrambled({"encrypte"}));
  EXPECT_FALSE(IsScrambled({" encrypted"}));
  EXPECT_FALSE(IsScrambled({}));
  EXPECT_EQ(ReadFileKey({"plain"}), "");
}

TEST(IsScrambled, OnlyHeaderUnscramblesToEmptyList) {
  std::vector<std::string> lines{"encrypted"};
  UnscrambleIfNeeded(lines);
  EXPECT_TRUE(lines.empty());
}

TEST(TCrypt, StateFileLikeListRoundTripsThroughFile) {
  testing::TempFolder folder;
  std::vector<std::string> plain;
  for (int i = 0; i < 50; ++i) plain.push_back(i % 7 == 0 ? "" : "\x95\x5c memo " + std::to_string(i));
  for (int i = 0; i < 50; ++i) plain.push_back(std::to_string(i * 1.5));
  for (int i = 0; i < 50; ++i) plain.push_back(i % 2 ? "True" : "False");
  std::vector<std::string> lines = plain;
  TCrypt scramble(TCrypt::Scramble);
  scramble.SetKey("\x82\xe0\x82\xbf");  // a Japanese name
  scramble.TransformList(lines);
  const std::string path = folder.Path() + "chara.kls";
  SaveLines(path, lines);
  std::vector<std::string> read = LoadLines(path);
  ASSERT_EQ(read.size(), 151u);
  UnscrambleIfNeeded(read);
  EXPECT_EQ(read, plain);
}

}  // namespace
}  // namespace kelmo
