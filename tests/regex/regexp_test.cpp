// The facade: what callers see of a pattern, from SetPattern to Match.
#include "regex/regexp.h"

#include <gtest/gtest.h>

#include <string>

#include "charfile/code_page.h"

namespace kelmo {
namespace {

struct MatchCase {
  const char* name;
  std::string pattern;  // UTF-8 here, Shift-JIS for the engine
  std::string text;     // likewise
  int position;         // 1-based byte position, 0 for no match
  int length;           // in Shift-JIS bytes
};

class Matching : public ::testing::TestWithParam<MatchCase> {};

TEST_P(Matching, FindsTheLeftmostLongestMatch) {
  const MatchCase& c = GetParam();
  TbmRExp pattern;
  pattern.SetPattern(Utf8ToShiftJis(c.pattern));
  int position = -1;
  int length = -1;
  EXPECT_EQ(pattern.Match(Utf8ToShiftJis(c.text), 1, position, length), c.position);
  EXPECT_EQ(position, c.position);
  EXPECT_EQ(length, c.length);
}

INSTANTIATE_TEST_SUITE_P(
    Search, Matching,
    ::testing::Values(
        MatchCase{"EmptyPatternMatchesEmptyText", "", "", 1, 0},
        MatchCase{"EmptyPatternMatchesAtTheStart", "", "abc", 1, 0},
        MatchCase{"Literal", "b", "abc", 2, 1}, MatchCase{"NoMatch", "d", "abc", 0, 0},
        MatchCase{"PlusIsGreedy", "b+", "abbbc", 2, 3},
        MatchCase{"LongestAlternativeWins", "a|ab", "xab", 2, 2},
        MatchCase{"LeftmostBeatsLonger", "bcd|abcdx|c", "abcd", 2, 3},
        MatchCase{"EarlierStartMatchingLaterWins", "abcd|c", "abcd", 1, 4},
        MatchCase{"StarCanBeEmpty", "xa*", "xaab", 1, 3},
        MatchCase{"OptionalEmptyAlternative", "a|", "b", 1, 0},
        MatchCase{"EmptyGroup", "()", "x", 1, 0},
        MatchCase{"BracesAreLiteral", "a{2}", "aa{2}", 2, 4},
        MatchCase{"EscapedLetterIsLiteral", "\\d", "1d", 2, 1},
        MatchCase{"OctalEscape", "\\101", "zA", 2, 1}, MatchCase{"HexEscape", "\\x41", "zA", 2, 1},
        MatchCase{"CloseBracketFirstIsLiteral", "[]a]+", "x]a]", 2, 3},
        MatchCase{"NegatedCloseBracket", "[^]a]", "]ab", 3, 1},
        MatchCase{"DashesInBrackets", "[a-]+[-a]+", "x-a-a", 2, 4},
        MatchCase{"EscapedDashInBracket", "[a\\-z]+", "b-za", 2, 3},
        // Shift-JIS: one character, two bytes.
        MatchCase{"DotTakesADoubleByteCharacter", ".", "あいう", 1, 2},
        MatchCase{"DoubleByteLiteral", "いう", "あいう", 3, 4},
        MatchCase{"DoubleByteEscape", "\\x82a2", "あい", 3, 2},
        MatchCase{"DoubleByteRange", "[ぁ-ん]+", "abあいうc", 3, 6},
        MatchCase{"NegatedClassTakesDoubleByte", "[^a]", "aあ", 2, 2},
        MatchCase{"TrailByteIsNotACharacter", "\\\\", "表\\", 3, 1},  // 表 ends in 0x5C
        MatchCase{"TrailByteIsNotALetter", "A", "ア", 0, 0},          // ア is 83 41
        MatchCase{"DotsBetweenWords", "好き.*食べ物", "私の好きな食べ物は", 5, 12},
        // Line breaks.
        MatchCase{"DotSkipsLineBreaks", ".", "\r\nb", 3, 1},
        MatchCase{"NegatedClassSkipsLineBreaks", "[^a]", "\n\ra\rb", 5, 1},
        MatchCase{"LineHeadNotInside", "^b", "ab", 0, 0},
        MatchCase{"LineHeadAfterLf", "^b", "a\nb", 3, 1},
        MatchCase{"LineHeadAfterCrLf", "^b", "a\r\nb", 4, 1},
        MatchCase{"LineHeadAfterCr", "^b", "a\rb", 3, 1},
        MatchCase{"LineHeadOnlyAtLineStarts", "^a", "ba\na", 4, 1},
        MatchCase{"LineTailBeforeLf", "a$", "ab\na", 4, 1},
        MatchCase{"LineTailBeforeCrLf", "a$", "a\r\n", 1, 1},
        MatchCase{"LineTailAlone", "$", "ab\ncd", 3, 0},
        MatchCase{"LineTailAtEnd", "$", "abc", 4, 0},
        MatchCase{"EmptyLineInEmptyText", "^$", "", 1, 0},
        MatchCase{"EmptyLineAfterLf", "^$", "a\n\nb", 3, 0},
        MatchCase{"BothAnchors", "^ab$", "x\nab\r\n", 3, 2},
        MatchCase{"AnchorInGroup", "(^a|b)+", "ca\nab", 4, 2},
        MatchCase{"CaretInsideIsLiteral", "a^b", "a^b", 1, 3},
        MatchCase{"DollarFirstIsLiteral", "$a", "a$a", 2, 2},
        MatchCase{"DollarUnderClosureIsLiteral", "(a$)*x", "a$a$x", 1, 5},
        MatchCase{"AnchoredAndFreeAlternatives", "x|^y", "zy\ny", 4, 1},
        // A bracket expression that excludes everything matches nothing.
        MatchCase{"EmptyClassNeverMatches", "[^\\x00-\\xffff]", "abc\n", 0, 0},
        MatchCase{"EmptyClassLeavesOtherAlternatives", "x[^\\x00-\\xffff]|y", "xy", 2, 1}),
    [](const auto& info) { return info.param.name; });

TEST(Matching, LoneLeadByteAtTheEndStaysInsideTheText) {
  TbmRExp pattern;
  pattern.SetPattern(".");
  int position = 0;
  int length = 0;
  EXPECT_EQ(pattern.Match("a\x82", 2, position, length), 2);
  EXPECT_EQ(length, 1);
  pattern.SetPattern("$");
  EXPECT_EQ(pattern.Match("\x82", 1, position, length), 2);  // the end, not beyond it
  EXPECT_EQ(length, 0);
}

TEST(Matching, NulBytesAreCharacters) {
  TbmRExp pattern;
  pattern.SetPattern("a\\x0000b");  // four digits, so that b is not one
  int position = 0;
  int length = 0;
  EXPECT_EQ(pattern.Match(std::string("xa\0b", 4), 1, position, length), 2);
  EXPECT_EQ(length, 3);
}

TEST(StartPositions, BeginTheSearchThere) {
  TbmRExp pattern;
  pattern.SetPattern("a");
  int position = 0;
  int length = 0;
  EXPECT_EQ(pattern.Match("aba", 2, position, length), 3);
  EXPECT_EQ(pattern.Match("aba", 4, position, length), 0);  // length + 1: only the end
  pattern.SetPattern("");
  EXPECT_EQ(pattern.Match("aba", 4, position, length), 4);
  EXPECT_EQ(length, 0);
}

TEST(StartPositions, OutsideTheTextGiveNoMatch) {
  TbmRExp pattern;
  int position = 7;
  int length = 7;
  EXPECT_EQ(pattern.Match("abc", 0, position, length), 0);
  EXPECT_EQ(position, 0);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(pattern.Match("abc", 5, position, length), 0);
}

TEST(StartPositions, LineHeadDependsOnTheCharacterBefore) {
  TbmRExp pattern;
  pattern.SetPattern("^b");
  int position = 0;
  int length = 0;
  EXPECT_EQ(pattern.Match("ab", 2, position, length), 0);
  EXPECT_EQ(pattern.Match("a\nb", 3, position, length), 3);
  EXPECT_EQ(pattern.Match("a\r\nb", 3, position, length), 4);  // between CR and LF: not a head
  EXPECT_EQ(pattern.Match("\x82\x0a"
                          "b",
                          3, position, length),
            0);  // 0A is a trail byte here
}

TEST(Errors, RaiseAtEveryMatchUntilThePatternChanges) {
  TbmRExp pattern;
  pattern.SetPattern("(a");
  int position = 0;
  int length = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      pattern.Match("a", 1, position, length);
      FAIL() << "no exception";
    } catch (const EbmREToken& error) {
      EXPECT_STREQ(error.what(), "need right parenthesis");
    }
  }
  pattern.SetPattern("(a)");
  EXPECT_EQ(pattern.Match("a", 1, position, length), 1);
}

TEST(Errors, FailedCompilationKeepsTheOldAutomaton) {
  TbmRExp pattern;
  pattern.SetPattern("ab");
  const TbmREDFATable& table = pattern.Compile();
  EXPECT_EQ(table.StateCount(), 3);
  pattern.SetPattern("a**");
  EXPECT_THROW(pattern.Compile(), EbmREToken);
  EXPECT_EQ(table.StateCount(), 3);
}

TEST(Errors, TooComplexPatternsRaiseLikeSyntaxErrors) {
  std::string blowUp = "(a|b)*a";
  for (int copy = 0; copy < 14; ++copy) blowUp += "(a|b)";
  TbmRExp pattern;
  pattern.SetPattern(blowUp);
  int position = 0;
  int length = 0;
  try {
    pattern.Match("", 1, position, length);
    FAIL() << "no exception";
  } catch (const EbmREToken& error) {
    EXPECT_STREQ(error.what(), "pattern too complex");
  }
}

TEST(Options, IgnoreCaseFoldsAsciiLettersOutsideBrackets) {
  TbmRExp pattern;
  pattern.SetPattern("ab");
  pattern.SetOption(bmreIgnoreCase, true);
  int position = 0;
  int length = 0;
  EXPECT_EQ(pattern.Match("xAB", 1, position, length), 2);
  EXPECT_EQ(pattern.Match("xaB", 1, position, length), 2);
  pattern.SetPattern("[a]");
  EXPECT_EQ(pattern.Match("A", 1, position, length), 0);
  pattern.SetOption(bmreIgnoreCase, false);
  pattern.SetPattern("ab");
  EXPECT_EQ(pattern.Match("AB", 1, position, length), 0);
}

TEST(Options, WithoutMetaCharsEverythingIsLiteral) {
  TbmRExp pattern;
  pattern.SetPattern("a.b(");
  pattern.SetOption(bmreMetaChars, false);
  int position = 0;
  int length = 0;
  EXPECT_EQ(pattern.Match("axb a.b(", 1, position, length), 5);
  pattern.SetOption(7, true);  // unknown options are ignored
  EXPECT_EQ(pattern.Match("a.b(", 1, position, length), 1);
}

TEST(CharCodes, NewPatternsTakeTheDefaultAndCanChange) {
  TbmRExp pattern;
  EXPECT_EQ(pattern.GetCharCode(), bmccSJIS);
  pattern.SetPattern(".");
  int position = 0;
  int length = 0;
  pattern.Match("\x82\xa0", 1, position, length);
  EXPECT_EQ(length, 2);
  pattern.SetCharCode(bmccSBCS);
  EXPECT_EQ(pattern.GetCharCode(), bmccSBCS);
  pattern.Match("\x82\xa0", 1, position, length);
  EXPECT_EQ(length, 1);
}

TEST(CharCodes, Utf16TextsAreSearchedInUnits) {
  TbmRExp pattern;
  pattern.SetCharCode(bmccUnicode);
  pattern.SetPattern(std::string("\x42\x30+", 4));  // HIRAGANA A, one or more
  int position = 0;
  int length = 0;
  const std::string text("a\0\x42\x30\x42\x30!", 7);  // odd: the last byte is no character
  EXPECT_EQ(pattern.Match(text, 1, position, length), 3);
  EXPECT_EQ(length, 4);
}

TEST(CharCodes, CodeWithoutReaderCannotCompile) {
  TbmRExp pattern;
  pattern.SetCharCode(4);
  try {
    pattern.Compile();
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "TbmREScanner.SetCharCode: can't create reader");
  }
}

}  // namespace
}  // namespace kelmo
