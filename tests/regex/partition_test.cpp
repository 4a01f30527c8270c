#include "regex/partition.h"

#include <gtest/gtest.h>

#include <string>

namespace kelmo {
namespace {

std::string Describe(const TbmREWchRanges& ranges) {
  std::string text;
  for (const TbmRERange& range : ranges) {
    if (!text.empty()) text += ' ';
    text += std::to_string(range.Lo) + '-' + std::to_string(range.Hi);
  }
  return text;
}

TEST(AddRange, SplitsStraddlingRangesAndFillsGapsWithoutMerging) {
  TbmREWchRanges ranges;
  ranges.AddRange(0, 10);
  ranges.AddRange(20, 30);
  ranges.AddRange(5, 25);
  EXPECT_EQ(Describe(ranges), "0-4 5-10 11-19 20-25 26-30");
  ranges.AddRange(31, 40);
  EXPECT_EQ(Describe(ranges), "0-4 5-10 11-19 20-25 26-30 31-40");  // adjacent, not merged
}

TEST(AddRange, InsideOneRangeSplitsItInThree) {
  TbmREWchRanges ranges;
  ranges.AddRange(0, 100);
  ranges.AddRange(40, 60);
  EXPECT_EQ(Describe(ranges), "0-39 40-60 61-100");
  ranges.AddRange(40, 60);
  EXPECT_EQ(Describe(ranges), "0-39 40-60 61-100");
}

TEST(AddRange, WideRangeOverPointsFillsEveryGap) {
  TbmREWchRanges ranges;
  for (int code = 10; code <= 50; code += 10) ranges.AddRange(code, code);
  ranges.AddRange(-3, -3);
  ranges.AddRange(0, 60);
  EXPECT_EQ(Describe(ranges),
            "-3--3 0-9 10-10 11-19 20-20 21-29 30-30 31-39 40-40 41-49 50-50 51-60");
}

TEST(FindRange, FindsTheLowerBoundByLoThenHi) {
  TbmREWchRanges ranges;
  ranges.AddRange(0, 9);
  ranges.AddRange(20, 29);
  EXPECT_EQ(ranges.FindRange(20, 29), 1);
  EXPECT_EQ(ranges.FindRange(10, 10), 1);
  EXPECT_EQ(ranges.FindRange(0, 5), 0);
  EXPECT_EQ(ranges.FindRange(30, 30), 2);
}

TEST(AddRanges, AddsEachRangeInOrder) {
  TbmREWchRanges ranges;
  ranges.AddRange(0, 20);
  TbmREWchRanges other;
  other.AddRange(5, 5);
  other.AddRange(15, 30);
  ranges.AddRanges(other);
  EXPECT_EQ(Describe(ranges), "0-4 5-5 6-14 15-20 21-30");
}

TEST(Complement, GivesTheMaximalUncoveredStretches) {
  TbmREWchRanges ranges;
  ranges.AddRange(10, 10);
  ranges.AddRange(13, 13);
  ranges.AddRange(11, 12);
  ranges.Complement(0, 0xFFFF);
  EXPECT_EQ(Describe(ranges), "0-9 14-65535");
}

TEST(Complement, OfNothingIsTheWholeSpanAndOfEverythingIsNothing) {
  TbmREWchRanges ranges;
  ranges.Complement(0, 255);
  EXPECT_EQ(Describe(ranges), "0-255");
  ranges.AddRange(300, 400);
  ranges.Complement(0, 255);
  EXPECT_EQ(Describe(ranges), "");
}

TEST(Complement, ClipsRangesOutsideTheSpan) {
  TbmREWchRanges ranges;
  ranges.AddRange(-5, 3);
  ranges.AddRange(250, 260);
  ranges.Complement(0, 255);
  EXPECT_EQ(Describe(ranges), "4-249");
}

}  // namespace
}  // namespace kelmo
