#include "engine/date_text.h"

#include <gtest/gtest.h>

#include <random>

#include "charfile/code_page.h"

namespace kelmo {
namespace {

TDateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  TDateTimeParts parts;
  parts.Year = year;
  parts.Month = month;
  parts.Day = day;
  parts.Hour = hour;
  parts.Minute = minute;
  parts.Second = second;
  TDateTime value = 0;
  EXPECT_TRUE(TryEncodeDateTime(parts, value));
  return value;
}

TEST(DateText, WritesFixedWidthPatterns) {
  const TDateTime value = At(2003, 4, 5, 6, 7, 8);
  EXPECT_EQ(FormatDate(value), "2003/04/05");
  EXPECT_EQ(FormatTime(value), "06:07:08");
  EXPECT_EQ(FormatDateTime(value), "2003/04/05 06:07:08");
  EXPECT_EQ(FormatMonthDay(value), "04/05");
  EXPECT_EQ(FormatDateTime(At(987, 12, 31, 23, 59, 59)), "0987/12/31 23:59:59");
  // Day 0 is the date a time alone lies on.
  EXPECT_EQ(FormatDateTime(0), "1899/12/30 00:00:00");
}

struct ReadCase {
  const char16_t* text;
  bool valid;
  TDateTime value;
};

class TryReadDateTimeTable : public ::testing::TestWithParam<ReadCase> {};

TEST_P(TryReadDateTimeTable, ReadsTheWrittenFormsAndShorterOnes) {
  TDateTime value = -1;
  EXPECT_EQ(TryReadDateTime(GetParam().text, value), GetParam().valid)
      << Utf16ToUtf8(GetParam().text);
  EXPECT_DOUBLE_EQ(value, GetParam().valid ? GetParam().value : -1) << Utf16ToUtf8(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, TryReadDateTimeTable,
    ::testing::Values(ReadCase{u"2003/01/31", true, At(2003, 1, 31)},
                      ReadCase{u"2003/1/5", true, At(2003, 1, 5)},
                      ReadCase{u" 2003/01/02 06:00 ", true, At(2003, 1, 2, 6)},
                      ReadCase{u"2003/01/02 06:00:30", true, At(2003, 1, 2, 6, 0, 30)},
                      ReadCase{u"2004/02/29", true, At(2004, 2, 29)},
                      ReadCase{u"12:34:56", true, At(1899, 12, 30, 12, 34, 56)},
                      ReadCase{u"7:05", true, At(1899, 12, 30, 7, 5)},
                      ReadCase{u"2003/02/29", false, 0}, ReadCase{u"2003/13/01", false, 0},
                      ReadCase{u"2003/00/10", false, 0}, ReadCase{u"0/01/01", false, 0},
                      ReadCase{u"2003/01/01 24:00", false, 0}, ReadCase{u"12:60", false, 0},
                      ReadCase{u"2003/01/01 12", false, 0}, ReadCase{u"2003/01/01 12:", false, 0},
                      ReadCase{u"2003/01/01x", false, 0}, ReadCase{u"2003-01-01", false, 0},
                      ReadCase{u"20030/01/01", false, 0}, ReadCase{u"123:45", false, 0},
                      ReadCase{u"2003/01", false, 0}, ReadCase{u"", false, 0},
                      ReadCase{u"12", false, 0}, ReadCase{u"1:2:3:4", false, 0}));

TEST(TryReadDateTime, ReadsBackEveryWrittenDateTime) {
  std::mt19937 generator(3);
  std::uniform_real_distribution<double> days(-600000, 2900000);
  for (int i = 0; i < 5000; ++i) {
    // Whole seconds, as the written form holds them.
    const TDateTime value = std::round(days(generator) * 86400) / 86400;
    const std::string text = FormatDateTime(value);
    TDateTime read = 0;
    ASSERT_TRUE(TryReadDateTime(Utf8ToUtf16(text), read)) << text;
    EXPECT_EQ(FormatDateTime(read), text);
  }
}

TEST(TryReadDateTime, NeverFailsOnArbitraryText) {
  const std::u16string alphabet = u" /:0123456789-x\uff10";
  std::mt19937 generator(5);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> length(0, 22);
  int readable = 0;
  for (int i = 0; i < 100000; ++i) {
    std::u16string text;
    for (int k = length(generator); k > 0; --k) text += alphabet[pick(generator)];
    TDateTime value = 0;
    if (TryReadDateTime(text, value)) {
      ++readable;
      // Whatever was read writes back as a valid date.
      TDateTime again = 0;
      EXPECT_TRUE(TryReadDateTime(Utf8ToUtf16(FormatDateTime(value)), again)) << Utf16ToUtf8(text);
    }
  }
  EXPECT_GT(readable, 0);
}

}  // namespace
}  // namespace kelmo
