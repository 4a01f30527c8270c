#include "charfile/answer_list.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "charfile/random_source.h"

namespace kelmo {
namespace {

TEST(TAnswerList, EmptyPicksZeroAndSinglePicksIt) {
  TAnswerList list(5);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.PickRandom(), 0);
  list.AddIndex(7);
  EXPECT_EQ(list.PickRandom(), 7);
}

TEST(TAnswerList, GrowsBeyondCapacityAndPicksEveryItem) {
  UseFixedRandomSeed(42);
  TAnswerList list(2);
  for (int i = 0; i < 40; ++i) list.AddIndex(i * 10);
  EXPECT_EQ(list.Count(), 40);
  std::set<int> picked;
  for (int i = 0; i < 4000; ++i) picked.insert(list.PickRandom());
  EXPECT_EQ(picked.size(), 40u);
  EXPECT_EQ(*picked.rbegin(), 390);
}

TEST(RandomSource, FixedSeedRepeatsSequence) {
  UseFixedRandomSeed(7);
  std::vector<int> first;
  for (int i = 0; i < 20; ++i) first.push_back(RandomBelow(1000));
  UseFixedRandomSeed(7);
  std::vector<int> second;
  for (int i = 0; i < 20; ++i) second.push_back(RandomBelow(1000));
  EXPECT_EQ(first, second);
  EXPECT_GT(std::set<int>(first.begin(), first.end()).size(), 10u);  // a seed, not a constant
}

TEST(RandomSource, FirstDrawAfterSeedingIsTheGeneratorsFirstDraw) {
  std::vector<uint32_t> seeds = {0, 1, 2, 42, 0x7FFFFFFF, 0x80000000, 86'399'999, 0xFFFFFFFF};
  std::mt19937 pick(3);
  for (int i = 0; i < 2000; ++i) seeds.push_back(static_cast<uint32_t>(pick()));
  for (const uint32_t seed : seeds) {
    std::mt19937 generator(seed);
    ASSERT_EQ(FirstDrawAfterSeeding(seed), generator()) << "seed " << seed;
  }
}

TEST(RandomSource, StaysInRange) {
  UseFixedRandomSeed(1);
  EXPECT_EQ(RandomBelow(0), 0);
  EXPECT_EQ(RandomBelow(-5), 0);
  for (int i = 0; i < 1000; ++i) {
    const int draw = RandomBelow(3);
    ASSERT_GE(draw, 0);
    ASSERT_LT(draw, 3);
    const double fraction = RandomFraction();
    ASSERT_GE(fraction, 0.0);
    ASSERT_LT(fraction, 1.0);
  }
}

}  // namespace
}  // namespace kelmo
