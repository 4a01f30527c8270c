// Bad input for every dictionary kind: lines of any length, NUL bytes, invalid Shift-JIS and
// binary junk load without harm, and lookups give a reply of the file or nothing.
#include <gtest/gtest.h>

#include <memory>

#include "dictionary/kelmo_data_0.h"
#include "dictionary/kelmo_data_a.h"
#include "dictionary/kelmo_data_b.h"
#include "dictionary/kelmo_data_c.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

std::vector<std::unique_ptr<TKelmoData>> AllKinds() {
  auto echo = [](std::u16string_view condition) { return std::u16string(condition); };
  std::vector<std::unique_ptr<TKelmoData>> kinds;
  kinds.push_back(std::make_unique<TKelmoData0>(true, echo));
  kinds.push_back(std::make_unique<TKelmoDataA>(true, nullptr));
  kinds.push_back(std::make_unique<TKelmoDataB>(true, nullptr));
  kinds.push_back(std::make_unique<TKelmoDataC>(true, nullptr));
  return kinds;
}

// Every byte but NUL and the double quote (so that each field is a piece of the file), in
// several orders, then a NUL and text that must not be read.
std::string AllBytes() {
  std::string bytes;
  for (int round = 0; round < 3; ++round) {
    for (int byte = 0; byte < 255; ++byte) {
      const char c = static_cast<char>((byte + round * 37) % 255 + 1);
      if (c != '"') bytes += c;
    }
  }
  return bytes + std::string("\0never,read", 12);
}

struct HugeCase {
  std::unique_ptr<TKelmoData> dictionary;
  std::string line;
  std::string reply;
};

TEST(DictionaryRobustness, HugeLinesAreReadWhole) {
  testing::TempFolder folder;
  const std::string huge(1 << 20, 'r');
  const auto alwaysTrue = [](std::u16string_view) { return std::u16string(u"TRUE"); };
  HugeCase cases[] = {
      {std::make_unique<TKelmoData0>(true, alwaysTrue), "k," + huge, huge},
      {std::make_unique<TKelmoData0>(true, alwaysTrue), huge + ",x" + huge, "x" + huge},
      {std::make_unique<TKelmoDataA>(true, nullptr), ",," + huge, huge},
      {std::make_unique<TKelmoDataB>(true, nullptr), ",\"a " + huge + "\"", "a " + huge},
      {std::make_unique<TKelmoDataC>(true, nullptr), huge + ",", huge + ","},
  };
  for (HugeCase& test : cases) {
    test.dictionary->LoadFile(folder.Write("huge.txt", test.line + "\r\n"));
    EXPECT_EQ(test.dictionary->AvailableCount, 1);
    EXPECT_TRUE(test.dictionary->Lookup("") == test.reply);
  }
}

TEST(DictionaryRobustness, HugePatternAndInputAreSearched) {
  testing::TempFolder folder;
  const std::string pattern(5000, 'A');  // within the automaton size limit
  const std::string input = std::string(300000, 'B') + pattern;
  auto dictionary = std::make_unique<TKelmoDataB>(false, nullptr);
  dictionary->LoadFile(folder.Write("b.txt", pattern + ",found"));
  EXPECT_EQ(dictionary->Lookup(input), "found");
  EXPECT_EQ(dictionary->Lookup(input.substr(1, input.size() - 2)), "");
}

TEST(DictionaryRobustness, InvalidShiftJisAndNulBytesLoadAndLookUp) {
  testing::TempFolder folder;
  const std::vector<std::string> files = {
      "\x81,\x81\r\n\x81\x20\x81,r\r\n\xFF\xFE\xFD,\xA0\r\n",
      std::string("\x82,r1\r\n\x82\0,r2", 12),
      "\x81{PRIOR},x\r\n{PRIOR}\x81,,x\r\n\x81",
      AllBytes(),
  };
  for (const std::string& file : files) {
    for (auto& dictionary : AllKinds()) {
      dictionary->LoadFile(folder.Write("bad.txt", file));
      EXPECT_LE(dictionary->AvailableCount, dictionary->EntryCount());
      for (const std::string input : {"", "\x81", "TRUE", "\xFF\x81\x5C"}) {
        const std::string answer = dictionary->Lookup(input);
        if (!answer.empty()) {
          EXPECT_NE(file.find(answer), std::string::npos) << "reply not from the file";
        }
      }
    }
  }
}

}  // namespace
}  // namespace kelmo
