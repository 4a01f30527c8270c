#include "engine/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "charfile/code_page.h"

namespace kelmo {
namespace {

struct FormatCase {
  long double value;
  const char* text;
};

class FormatNumberTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatNumberTable, WritesTheGeneralFormWithFifteenDigits) {
  EXPECT_EQ(FormatNumber(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, FormatNumberTable,
    ::testing::Values(
        FormatCase{0.0L, "0"}, FormatCase{-0.0L, "0"}, FormatCase{1e15L, "1E15"},
        FormatCase{999999999999999.0L, "999999999999999"},
        FormatCase{123456789012345.0L, "123456789012345"},
        FormatCase{-123456789012345.0L, "-123456789012345"},
        // 16 digits are rounded to 15 and then need the exponent.
        FormatCase{1234567890123456.0L, "1.23456789012346E15"}, FormatCase{1e-5L, "1E-5"},
        FormatCase{0.0001L, "0.0001"}, FormatCase{0.00012345L, "0.00012345"},
        FormatCase{1.0L / 3, "0.333333333333333"}, FormatCase{2.0L / 3, "0.666666666666667"},
        FormatCase{-1.0L / 3, "-0.333333333333333"}, FormatCase{1e20L, "1E20"},
        FormatCase{1.5e-7L, "1.5E-7"}, FormatCase{-1.5e-7L, "-1.5E-7"}, FormatCase{100.0L, "100"},
        FormatCase{2.5L, "2.5"}, FormatCase{-2.5L, "-2.5"}, FormatCase{6.0L, "6"},
        FormatCase{0.1L + 0.2L, "0.3"}, FormatCase{0.5L, "0.5"},
        FormatCase{3.14159265358979323846L, "3.14159265358979"},
        // Rounding carries into a new leading digit.
        FormatCase{9.9999999999999999L, "10"}, FormatCase{1e300L, "1E300"},
        FormatCase{1.25e-300L, "1.25E-300"}, FormatCase{1e4000L, "1E4000"}));

TEST(FormatNumber, NamesNonFiniteValues) {
  EXPECT_EQ(FormatNumber(std::numeric_limits<long double>::infinity()), "INF");
  EXPECT_EQ(FormatNumber(-std::numeric_limits<long double>::infinity()), "-INF");
  EXPECT_EQ(FormatNumber(std::numeric_limits<long double>::quiet_NaN()), "NAN");
}

struct NumberCase {
  const char16_t* text;
  bool valid;
  long double value;
};

class TryReadNumberTable : public ::testing::TestWithParam<NumberCase> {};

TEST_P(TryReadNumberTable, AcceptsOnlyTheNumberGrammar) {
  long double value = -42;
  EXPECT_EQ(TryReadNumber(GetParam().text, value), GetParam().valid)
      << Utf16ToUtf8(GetParam().text);
  EXPECT_EQ(value, GetParam().valid ? GetParam().value : -42) << Utf16ToUtf8(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, TryReadNumberTable,
    ::testing::Values(
        NumberCase{u"1", true, 1}, NumberCase{u"1.0", true, 1},
        NumberCase{u"  -2.5  ", true, -2.5L}, NumberCase{u"+3", true, 3},
        NumberCase{u".5", true, 0.5L}, NumberCase{u"5.", true, 5}, NumberCase{u"1E10", true, 1e10L},
        NumberCase{u"1e-3", true, 1e-3L}, NumberCase{u"2E+2", true, 200},
        NumberCase{u"1E-99999", true, 0}, NumberCase{u"", false, 0}, NumberCase{u" ", false, 0},
        NumberCase{u"-", false, 0}, NumberCase{u".", false, 0}, NumberCase{u"1.2.3", false, 0},
        NumberCase{u"1E", false, 0}, NumberCase{u"1E+", false, 0}, NumberCase{u"E5", false, 0},
        NumberCase{u"1 2", false, 0}, NumberCase{u"1,5", false, 0}, NumberCase{u"0x10", false, 0},
        NumberCase{u"$10", false, 0}, NumberCase{u"INF", false, 0}, NumberCase{u"NAN", false, 0},
        NumberCase{u"1E99999", false, 0}, NumberCase{u"\uff11", false, 0},
        NumberCase{u"1\t", false, 0}, NumberCase{u"--1", false, 0}));

TEST(TryReadNumber, ReadsBackEveryWrittenNumber) {
  std::mt19937_64 generator(7);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> power(-30, 30);
  for (int i = 0; i < 20000; ++i) {
    const long double value = mantissa(generator) * std::pow(10.0L, power(generator));
    const std::string text = FormatNumber(value);
    long double read = 0;
    ASSERT_TRUE(TryReadNumber(Utf8ToUtf16(text), read)) << text;
    // The written form holds 15 significant digits: reading it back loses at most rounding.
    EXPECT_LE(std::fabs(read - value), std::fabs(value) * 1e-14L) << text;
    EXPECT_EQ(FormatNumber(read), text);
  }
}

TEST(NumberText, IntegersTakeTheDirectRoadToTheGeneralResult) {
  // Plain integers take a direct road; with a point and an exponent added they take the general
  // one, which must give the same value, the sign of zero included.
  std::mt19937_64 generator(13);
  std::uniform_int_distribution<int> digits(1, 20);
  for (int i = 0; i < 20000; ++i) {
    std::u16string text = i % 3 == 0 ? u"-" : (i % 3 == 1 ? u" +" : u"");
    for (int k = digits(generator); k > 0; --k) text += char16_t(u'0' + generator() % 10);
    long double direct = 0;
    long double general = 0;
    ASSERT_TRUE(TryReadNumber(text, direct)) << Utf16ToUtf8(text);
    ASSERT_TRUE(TryReadNumber(text + u".0E0", general)) << Utf16ToUtf8(text);
    EXPECT_EQ(direct, general) << Utf16ToUtf8(text);
    EXPECT_EQ(std::signbit(direct), std::signbit(general)) << Utf16ToUtf8(text);
    // Integers below 10^14 are written directly; with a half added the general form writes
    // the same digits before ".5".
    if (direct != 0 && std::fabs(direct) < 1e14L) {
      const long double half = std::signbit(direct) ? -0.5L : 0.5L;
      EXPECT_EQ(FormatNumber(direct + half), FormatNumber(direct) + ".5") << Utf16ToUtf8(text);
    }
  }
}

struct IntegerCase {
  const char16_t* text;
  bool valid;
  int32_t value;
};

class TryReadIntegerTable : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(TryReadIntegerTable, AcceptsDecimalAndHexadecimalWithinThirtyTwoBits) {
  int32_t value = -42;
  EXPECT_EQ(TryReadInteger(GetParam().text, value), GetParam().valid)
      << Utf16ToUtf8(GetParam().text);
  EXPECT_EQ(value, GetParam().valid ? GetParam().value : -42) << Utf16ToUtf8(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, TryReadIntegerTable,
    ::testing::Values(IntegerCase{u"0", true, 0}, IntegerCase{u"07", true, 7},
                      IntegerCase{u"  -12", true, -12}, IntegerCase{u"+5", true, 5},
                      IntegerCase{u"2147483647", true, INT32_MAX},
                      IntegerCase{u"-2147483648", true, INT32_MIN},
                      IntegerCase{u"2147483648", false, 0}, IntegerCase{u"-2147483649", false, 0},
                      IntegerCase{u"99999999999999999999", false, 0}, IntegerCase{u"$1F", true, 31},
                      IntegerCase{u"$ff", true, 255}, IntegerCase{u"X10", true, 16},
                      IntegerCase{u"x10", true, 16}, IntegerCase{u"0X10", true, 16},
                      IntegerCase{u"0xA", true, 10}, IntegerCase{u"-$10", true, -16},
                      IntegerCase{u"$FFFFFFFF", true, -1}, IntegerCase{u"$100000000", false, 0},
                      IntegerCase{u"$", false, 0}, IntegerCase{u"0X", false, 0},
                      IntegerCase{u"$G", false, 0}, IntegerCase{u"D5", false, 0},
                      IntegerCase{u"", false, 0}, IntegerCase{u"-", false, 0},
                      IntegerCase{u"1.0", false, 0}, IntegerCase{u"1 ", false, 0},
                      IntegerCase{u"1E3", false, 0}, IntegerCase{u"\uff11", false, 0}));

TEST(NumberReading, NeverFailsOnArbitraryText) {
  // Random texts over the characters that matter to the grammars plus some that do not.
  std::u16string alphabet = u" +-.0123456789eExX$aAfF\u00ff\uff10";
  alphabet += char16_t(0xD800);  // a lone surrogate
  std::mt19937 generator(11);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> length(0, 24);
  int readable = 0;
  for (int i = 0; i < 50000; ++i) {
    std::u16string text;
    for (int k = length(generator); k > 0; --k) text += alphabet[pick(generator)];
    long double number = 0;
    int32_t integer = 0;
    if (TryReadNumber(text, number)) {
      ++readable;
      EXPECT_TRUE(std::isfinite(number)) << Utf16ToUtf8(text);
    }
    TryReadInteger(text, integer);
  }
  EXPECT_GT(readable, 0);
}

}  // namespace
}  // namespace kelmo
