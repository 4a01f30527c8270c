// The entry set: walks from a start, the next index from a start, and a set reused across resets
// (a word written before a reset must not leak into the next use).
#include "dictionary/entry_set.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

namespace kelmo {
namespace {

std::vector<int> From(const TEntrySet& set, int start) {
  std::vector<int> indices;
  set.ForEachFrom(start, [&](int index) {
    indices.push_back(index);
    return true;
  });
  return indices;
}

TEST(TEntrySet, WalksAndFindsFromAnyStart) {
  TEntrySet set;
  set.Reset(10000);
  const std::vector<int> added = {0, 5, 63, 64, 65, 4095, 4096, 9999};
  for (const int index : added) set.Add(index);
  struct Case {
    int start;
    std::vector<int> walked;
    int next;
  };
  const std::vector<Case> cases = {
      {0, added, 0},
      {1, {5, 63, 64, 65, 4095, 4096, 9999}, 5},
      {63, {63, 64, 65, 4095, 4096, 9999}, 63},
      {66, {4095, 4096, 9999}, 4095},
      {4096, {4096, 9999}, 4096},
      {5000, {9999}, 9999},
      {10000, {}, -1},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(From(set, test.start), test.walked) << "from " << test.start;
    EXPECT_EQ(set.NextFrom(test.start), test.next) << "from " << test.start;
  }
}

TEST(TEntrySet, ResetForgetsEverySetWord) {
  std::mt19937 random(99);
  TEntrySet set;
  for (int round = 0; round < 200; ++round) {
    const int capacity = round % 3 == 0 ? 5000 : 300;  // a changed capacity reallocates
    set.Reset(capacity);
    std::set<int> inSet;
    std::uniform_int_distribution<int> index(0, capacity - 1);
    for (int i = 0; i < 40; ++i) inSet.insert(index(random));
    for (const int value : inSet) set.Add(value);
    ASSERT_EQ(From(set, 0), std::vector<int>(inSet.begin(), inSet.end()));
    for (int value = 0; value < capacity; ++value) {
      ASSERT_EQ(set.Contains(value), inSet.count(value) > 0) << value;
    }
  }
}

}  // namespace
}  // namespace kelmo
