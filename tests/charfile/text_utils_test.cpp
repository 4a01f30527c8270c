#include "charfile/text_utils.h"

#include <gtest/gtest.h>

#include "charfile/code_page.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

// Shift-JIS characters whose trail byte is 0x5C (a backslash in ASCII).
const std::string kHyo = "\x95\x5c";  // 表
const std::string kSo = "\x83\x5c";   // ソ

TEST(NormalizeText, MapsEveryTableEntryAndNothingElse) {
  std::u16string sources;
  std::u16string results;
  for (char16_t c = u'a'; c <= u'z'; ++c) sources += c, results += static_cast<char16_t>(c - 32);
  for (char16_t c = 0xFF10; c <= 0xFF19; ++c) sources += c, results += static_cast<char16_t>(c - 0xFF10 + u'0');
  sources += char16_t(0x3000), results += u' ';
  for (char16_t c = 0xFF21; c <= 0xFF3A; ++c) sources += c, results += static_cast<char16_t>(c - 0xFF21 + u'A');
  for (char16_t c = 0xFF41; c <= 0xFF5A; ++c) sources += c, results += static_cast<char16_t>(c - 0xFF41 + u'A');
  sources += u"\uff01\u201d\uff03\uff04\uff05\uff06\u2019\uff08\uff09\uff0a\uff0b\uff0c\uff0d\uff0e\uff0f"
             u"\uff1a\uff1b\uff1c\uff1d\uff1e\uff1f\uff20\uff3b\uffe5\uff3d\uff3e\uff3f\uff40\uff5b\uff5c"
             u"\uff5d\uffe3";
  results += u"!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";
  ASSERT_EQ(sources.size(), 121u);
  EXPECT_EQ(NormalizeText(sources), results);

  size_t changed = 0;
  for (uint32_t c = 0; c < 0x10000; ++c) {
    const std::u16string one(1, static_cast<char16_t>(c));
    if (NormalizeText(one) != one) ++changed;
  }
  EXPECT_EQ(changed, 121u);
}

TEST(NormalizeText, KeepsKanaKanjiCapitalsAndExcludedFullWidthForms) {
  const std::u16string kept = u"ABCあア\uff71表\uff3c\uff5e\uff02\uff07";
  EXPECT_EQ(NormalizeText(kept), kept);
  EXPECT_EQ(NormalizeText(u"ｈｅｌｌｏ　Ｗｏｒｌｄ１２！"), u"HELLO WORLD12!");
}

TEST(NormalizeShiftJis, KeepsTrailBytesOfDoubleByteCharacters) {
  // "a" after a 0x5C trail byte; the trail byte must not be touched.
  EXPECT_EQ(NormalizeShiftJis(kHyo + "a"), kHyo + "A");
}

struct BoolCase {
  const char* text;
  bool expected;
};

class TextToBoolTable : public ::testing::TestWithParam<BoolCase> {};

TEST_P(TextToBoolTable, ReadsTruthTexts) {
  EXPECT_EQ(TextToBool(Utf8ToShiftJis(GetParam().text)), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    TruthTexts, TextToBoolTable,
    ::testing::Values(BoolCase{"TRUE", true}, BoolCase{"true", true}, BoolCase{"True", true},
                      BoolCase{"ＴＲＵＥ", true}, BoolCase{"ｔｒｕｅ", true}, BoolCase{"1", true},
                      BoolCase{"-3", true}, BoolCase{"+7", true}, BoolCase{"2147483647", true},
                      BoolCase{"-2147483648", true}, BoolCase{"0", false}, BoolCase{"-0", false},
                      BoolCase{"2147483648", false}, BoolCase{"", false}, BoolCase{" TRUE", false},
                      BoolCase{"TRUE ", false}, BoolCase{"1.5", false}, BoolCase{"yes", false},
                      BoolCase{"False", false}, BoolCase{"+", false}, BoolCase{"１", false}));

TEST(BoolToText, WritesTrueAndFalse) {
  EXPECT_EQ(BoolToText(true), "True");
  EXPECT_EQ(BoolToText(false), "False");
  EXPECT_TRUE(TextToBool(BoolToText(true)));
  EXPECT_FALSE(TextToBool(BoolToText(false)));
}

struct StripCase {
  std::u16string input;
  std::u16string expected;
};

class StripBracesTable : public ::testing::TestWithParam<StripCase> {};

TEST_P(StripBracesTable, RemovesGroups) { EXPECT_EQ(StripBraces(GetParam().input), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Groups, StripBracesTable,
    ::testing::Values(StripCase{u"abc", u"abc"}, StripCase{u"a{b}c", u"ac"},
                      StripCase{u"a{b{c}d}e", u"ae"}, StripCase{u"a}b{c}d", u"abcd"},
                      StripCase{u"a{b", u"a"}, StripCase{u"{}", u""},
                      StripCase{u"ｘ｛ｙ｝", u"ｘ｛ｙ｝"}));

TEST(RemoveLineBreaks, DropsEveryCrAndLf) {
  EXPECT_EQ(RemoveLineBreaks("a\r\nb\rc\nd"), "abcd");
  EXPECT_EQ(RemoveLineBreaks(kHyo + "\r\n"), kHyo);
}

TEST(ReplaceAll, ReplacesEachOccurrenceOnceLeftToRight) {
  EXPECT_EQ(ReplaceAll("a\r\nb\r\n", "\r\n", "{BR}"), "a{BR}b{BR}");
  EXPECT_EQ(ReplaceAll("{BR}{BR}", "{BR}", "\r\n"), "\r\n\r\n");
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");       // no overlapping matches
  EXPECT_EQ(ReplaceAll("ab", "b", "bb"), "abb");       // inserted text is not scanned again
  EXPECT_EQ(ReplaceAll("", "x", "y"), "");
  EXPECT_EQ(ReplaceAll(kHyo + "\r", "\r\n", "-"), kHyo + "\r");  // a lone CR stays
}

TEST(EscapeParam, EscapesPercentAndAmpersandOnly) {
  EXPECT_EQ(EscapeParam("a%&b=c"), "a%25%26b=c");
  EXPECT_EQ(EscapeParam("%25"), "%2525");  // inserted text is not scanned again
  EXPECT_EQ(EscapeParam(kHyo + "&"), kHyo + "%26");
}

struct ShorthandCase {
  const char* name;
  std::string input;
  std::string expected;
};

class ExpandDigitShorthandTable : public ::testing::TestWithParam<ShorthandCase> {};

TEST_P(ExpandDigitShorthandTable, Expands) {
  EXPECT_EQ(ExpandDigitShorthand(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, ExpandDigitShorthandTable,
    ::testing::Values(ShorthandCase{"Single", "a#b", "a[0-9]b"},
                      ShorthandCase{"TwoInARow", "##", "[0-9][0-9]"},
                      ShorthandCase{"EscapedIsLiteral", "\\#", "#"},
                      ShorthandCase{"ExistingClassText", "\\[0-9]", "#"},
                      ShorthandCase{"TrailByte5CIsNoEscape", kHyo + "#", kHyo + "[0-9]"},
                      ShorthandCase{"TrailByte5CBeforeClass", kSo + "[0-9]", kSo + "[0-9]"}),
    [](const auto& info) { return info.param.name; });

TEST(Fields, CountAndExtract) {
  EXPECT_EQ(CountFields("", "|"), 0);
  EXPECT_EQ(CountFields("abc", "|"), 1);
  EXPECT_EQ(CountFields("a|b|", "|"), 3);
  EXPECT_EQ(ExtractField("a|b|", "|", 2), "");
  EXPECT_EQ(ExtractField("a|b|c", "|", 1), "b");
  EXPECT_EQ(ExtractField("a||c", "|", 1), "");
  EXPECT_EQ(ExtractField("a||c", "|", 2), "c");
  EXPECT_EQ(ExtractField("a|b", "|", -1), "");
  EXPECT_EQ(ExtractField("a|b", "|", 2), "");
  EXPECT_EQ(CountFields("a|b", "||"), 1);  // a longer separator never matches
}

TEST(Fields, TrailByteIsNeverASeparator) {
  // 0x7C ("|") and 0x5C ("\") occur as trail bytes.
  const std::string withBar = "\x83\x7c";  // a double-byte character whose trail byte is "|"
  EXPECT_EQ(CountFields(withBar + "|x", "|"), 2);
  EXPECT_EQ(ExtractField(withBar + "|x", "|", 0), withBar);
  EXPECT_EQ(CountFields(kHyo + "\\" + kSo, "\\"), 2);
  EXPECT_EQ(ExtractField(kHyo + "\\" + kSo, "\\", 1), kSo);
}

TEST(Fields, CutFieldConsumesText) {
  std::string text = "one|two";
  EXPECT_EQ(CutField(text, "|"), "one");
  EXPECT_EQ(text, "two");
  EXPECT_EQ(CutField(text, "|"), "two");
  EXPECT_EQ(text, "");
}

struct CommaCase {
  const char* name;
  std::string input;
  std::vector<std::string> expected;
};

class SplitCommaTextTable : public ::testing::TestWithParam<CommaCase> {};

TEST_P(SplitCommaTextTable, Splits) { EXPECT_EQ(SplitCommaText(GetParam().input), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    CommaText, SplitCommaTextTable,
    ::testing::Values(
        CommaCase{"Blanks", "a b c", {"a", "b", "c"}},
        CommaCase{"CommaWithBlanks", "a , b", {"a", "b"}},
        CommaCase{"TrailingComma", "a,b,", {"a", "b"}},
        CommaCase{"TwoCommas", "a,,b", {"a", "", "b"}},
        CommaCase{"Quoted", "\"a b,c\",d", {"a b,c", "d"}},
        CommaCase{"DoubledQuote", "\"say \"\"hi\"\"\"", {"say \"hi\""}},
        CommaCase{"LeadingBlanks", "  \t a", {"a"}},
        CommaCase{"Empty", "", {}},
        CommaCase{"UnclosedQuote", "\"a b", {"a b"}},
        CommaCase{"QuoteThenText", "\"ab\"cd", {"ab", "cd"}},
        CommaCase{"NulEndsText", std::string("a b\0c", 5), {"a", "b"}},
        CommaCase{"TrailByte5C", kHyo + "," + kSo + "\\x", {kHyo, kSo + "\\x"}},
        CommaCase{"ShiftJisWithBlank", kHyo + " " + kSo, {kHyo, kSo}},
        CommaCase{"LeadingComma", ",a", {"", "a"}}),
    [](const auto& info) { return info.param.name; });

TEST(ReadFirstLineAndDelete, ReadsFirstLineThenDeletes) {
  testing::TempFolder folder;
  const std::string path = folder.Write("Result.txt", "answer\r\nsecond\r\n");
  EXPECT_EQ(ReadFirstLineAndDelete(path), "answer");
  EXPECT_FALSE(folder.Exists("Result.txt"));
  EXPECT_EQ(ReadFirstLineAndDelete(path), "");
}

TEST(ReadFirstLineAndDelete, FindsFileInAnotherLetterCase) {
  testing::TempFolder folder;
  folder.Write("result.TXT", "x");
  EXPECT_EQ(ReadFirstLineAndDelete(folder.Path() + "Result.txt"), "x");
  EXPECT_FALSE(folder.Exists("result.TXT"));
}

TEST(AsciiCase, LeavesTrailBytesAlone) {
  const std::string trailA = "\x82\x61";  // double-byte character whose trail byte is "a"
  EXPECT_EQ(AsciiUpperCase("ab" + trailA), "AB" + trailA);
  EXPECT_EQ(AsciiLowerCase("AB\x82\x60"), "ab\x82\x60");
}

}  // namespace
}  // namespace kelmo
