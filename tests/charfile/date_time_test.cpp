#include "charfile/date_time.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kelmo {
namespace {

struct DateCase {
  TDateTimeParts parts;
  TDateTime value;
  int weekday;
};

class DateTimeTable : public ::testing::TestWithParam<DateCase> {};

TEST_P(DateTimeTable, EncodesDecodesAndKnowsTheWeekday) {
  const DateCase& c = GetParam();
  TDateTime value = -99;
  ASSERT_TRUE(TryEncodeDateTime(c.parts, value));
  EXPECT_NEAR(value, c.value, 1e-9);
  const TDateTimeParts back = DecodeDateTime(value);
  EXPECT_EQ(back.Year, c.parts.Year);
  EXPECT_EQ(back.Month, c.parts.Month);
  EXPECT_EQ(back.Day, c.parts.Day);
  EXPECT_EQ(back.Hour, c.parts.Hour);
  EXPECT_EQ(back.Minute, c.parts.Minute);
  EXPECT_EQ(back.Second, c.parts.Second);
  EXPECT_EQ(DayOfWeek(value), c.weekday);
}

INSTANTIATE_TEST_SUITE_P(
    Calendar, DateTimeTable,
    ::testing::Values(DateCase{{1899, 12, 30, 0, 0, 0, 0}, 0.0, 6},
                      DateCase{{1900, 1, 1, 12, 0, 0, 0}, 2.5, 1},
                      DateCase{{2000, 2, 29, 6, 0, 0, 0}, 36585.25, 2},
                      DateCase{{2003, 1, 1, 0, 0, 0, 0}, 37622.0, 3},
                      DateCase{{2024, 12, 31, 23, 59, 59, 0}, 45657.0 + 86399.0 / 86400.0, 2},
                      DateCase{{1899, 12, 29, 6, 0, 0, 0}, -1.25, 5},
                      DateCase{{1, 1, 1, 0, 0, 0, 0}, -693593.0, 1}));

TEST(DateTime, RefusesInvalidParts) {
  TDateTime value = 0;
  EXPECT_FALSE(TryEncodeDateTime({2023, 2, 29, 0, 0, 0, 0}, value));
  EXPECT_FALSE(TryEncodeDateTime({2023, 13, 1, 0, 0, 0, 0}, value));
  EXPECT_FALSE(TryEncodeDateTime({2023, 1, 1, 24, 0, 0, 0}, value));
  EXPECT_FALSE(TryEncodeDateTime({0, 1, 1, 0, 0, 0, 0}, value));
  EXPECT_TRUE(TryEncodeDateTime({1900, 2, 28, 0, 0, 0, 0}, value));
  EXPECT_FALSE(TryEncodeDateTime({1900, 2, 29, 0, 0, 0, 0}, value));
}

TEST(DateTime, NowIsAPlausibleLocalTime) {
  const TDateTimeParts now = DecodeDateTime(NowLocal());
  EXPECT_GE(now.Year, 2024);
  EXPECT_LE(now.Year, 2100);
}

TEST(DateTime, NonFiniteValueDecodesToEpoch) {
  EXPECT_EQ(DecodeDateTime(std::nan("")).Year, 1899);
}

TEST(LocalClock, TellsTheLocalTimeAsNowLocalDoes) {
  TLocalClock clock;
  for (int time = 0; time < 3; ++time) {
    const TDateTime before = NowLocal();
    const TDateTime now = clock.Now();
    const TDateTime after = NowLocal();
    EXPECT_LE(before, now);
    EXPECT_LE(now, after);
  }
}

}  // namespace
}  // namespace kelmo
