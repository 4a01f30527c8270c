// Kind C: every entry passes, so lookups walk the groups in order, uniformly within a group.
#include "dictionary/kelmo_data_c.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "charfile/random_source.h"
#include "dictionary_test_support.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

using testing::CrLf;

TEST(TKelmoDataC, OnceOnlyUsesUpTheFirstGroupBeforeTheSecond) {
  testing::TempFolder folder;
  TKelmoDataC dictionary(true, nullptr);
  dictionary.LoadFile(folder.Write("c.txt", CrLf({"one", "two", "{PRIOR}", "three"})));
  const std::set<std::string> firstTwo = {dictionary.Lookup("X"), dictionary.Lookup("Y")};
  EXPECT_EQ(firstTwo, (std::set<std::string>{"one", "two"}));
  EXPECT_EQ(dictionary.Lookup(""), "three");
  EXPECT_EQ(dictionary.Lookup(""), "");
}

TEST(TKelmoDataC, EmptyLineIsAReplyThatUsesUpItsEntry) {
  testing::TempFolder folder;
  TKelmoDataC dictionary(true, nullptr);
  dictionary.LoadFile(folder.Write("c.txt", "\r\n"));
  EXPECT_EQ(dictionary.AvailableCount, 1);
  EXPECT_EQ(dictionary.Lookup(""), "");
  EXPECT_EQ(dictionary.AvailableCount, 0);
}

TEST(TKelmoDataC, RepeatingDictionaryChoosesUniformlyWithinTheFirstGroup) {
  UseFixedRandomSeed(1234);
  testing::TempFolder folder;
  TKelmoDataC dictionary(false, nullptr);
  dictionary.LoadFile(folder.Write("c.txt", CrLf({"a", "b", "c", "d", "{PRIOR}", "never"})));
  std::map<std::string, int> counts;
  constexpr int kDraws = 4000;
  for (int i = 0; i < kDraws; ++i) ++counts[dictionary.Lookup("")];
  ASSERT_EQ(counts.size(), 4u);
  for (const auto& [reply, count] : counts) {
    EXPECT_NEAR(count, kDraws / 4, kDraws / 20) << reply;
  }
  EXPECT_EQ(dictionary.AvailableCount, 5);  // "never" counts, though never reached
}

}  // namespace
}  // namespace kelmo
