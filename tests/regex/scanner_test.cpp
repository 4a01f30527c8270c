// The scanner, the token list (tokenizing, standardization) and case folding.
#include "regex/scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "regex/case_folding.h"
#include "regex/tokens.h"

namespace kelmo {
namespace {

using Kind = TbmRETokenKind;

TbmRETokens Scan(const std::string& pattern, bool regExpMode = true, uint8_t charCode = bmccSJIS) {
  TbmREScanner scanner;
  scanner.SetCharCode(charCode);
  scanner.SetText(pattern);
  scanner.RegExpMode = regExpMode;
  TbmRETokens tokens;
  tokens.Tokenize(scanner);
  return tokens;
}

// The tokens as "kind:lo-hi" items, enough to tell every case below apart.
std::string Describe(const TbmRETokens& tokens) {
  std::string text;
  for (const TbmRETokenRec& token : tokens) {
    if (!text.empty()) text += ' ';
    text += std::to_string(static_cast<int>(token.Kind));
    if (token.Kind == Kind::Char || token.Kind == Kind::CharClass) {
      text += ':' + std::to_string(token.Lo);
      if (token.Hi != token.Lo) text += '-' + std::to_string(token.Hi);
    }
  }
  return text;
}

struct ScanCase {
  const char* name;
  std::string pattern;
  std::string tokens;
};

class Scanning : public ::testing::TestWithParam<ScanCase> {};

TEST_P(Scanning, ProducesTheTokens) {
  EXPECT_EQ(Describe(Scan(GetParam().pattern)), GetParam().tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Scanner, Scanning,
    ::testing::Values(ScanCase{"Empty", "", "14"},
                      ScanCase{"Operators", "|()*+?.^$", "2 3 4 5 6 7 11 12 13 14"},
                      ScanCase{"LiteralsOutsideBrackets", "]{}-", "0:93 0:123 0:125 0:45 14"},
                      ScanCase{"DoubleByteIsOneCharacter",
                               "\x82\xa0"
                               "a",
                               "0:33440 0:97 14"},
                      ScanCase{"EscapedMetacharacter", "\\.\\\\", "0:46 0:92 14"},
                      ScanCase{"EscapeValues", "\\n\\x41\\101\\d", "0:10 0:65 0:65 0:100 14"},
                      ScanCase{"Bracket", "[ab]", "8 0:97 0:98 10 14"},
                      ScanCase{"NegatedBracket", "[^a]", "9 0:97 10 14"},
                      ScanCase{"FirstCloseBracketIsLiteral", "[]a]", "8 0:93 0:97 10 14"},
                      ScanCase{"NegatedFirstCloseBracketIsLiteral", "[^]]", "9 0:93 10 14"},
                      ScanCase{"Range", "[a-z0]", "8 1:97-122 0:48 10 14"},
                      ScanCase{"TrailingDashIsLiteral", "[a-]", "8 0:97 0:45 10 14"},
                      ScanCase{"LeadingDashIsLiteral", "[-a]", "8 0:45 0:97 10 14"},
                      ScanCase{"EscapedDashIsLiteral", "[a\\-z]", "8 0:97 0:45 0:122 10 14"},
                      ScanCase{"EscapedRangeBounds", "[\\x41-\\x43]", "8 1:65-67 10 14"},
                      ScanCase{"MetacharactersInsideBrackets", "[.*(^]",
                               "8 0:46 0:42 0:40 0:94 10 14"},
                      ScanCase{"DoubleByteRange", "[\x82\xa0-\x82\xf1]", "8 1:33440-33521 10 14"}),
    [](const auto& info) { return info.param.name; });

TEST(Scanning, WithoutRegExpModeEverythingIsLiteral) {
  EXPECT_EQ(Describe(Scan("a|\\[", false)), "0:97 0:124 0:92 0:91 14");
}

TEST(Scanning, TokensKnowTheirBytes) {
  const TbmRETokens tokens = Scan("\x82\xa0[^x]\\x41");
  ASSERT_EQ(tokens.Count(), 6);
  EXPECT_EQ(tokens[0].Start, 0);
  EXPECT_EQ(tokens[0].End, 2);
  EXPECT_EQ(tokens[1].Start, 2);  // [^
  EXPECT_EQ(tokens[1].End, 4);
  EXPECT_EQ(tokens[4].Start, 6);  // \x41
  EXPECT_EQ(tokens[4].End, 10);
  EXPECT_EQ(tokens[5].Start, 10);
  EXPECT_EQ(tokens[5].End, 10);
}

TEST(Scanning, UsesTheReaderOfItsCharCode) {
  EXPECT_EQ(Describe(Scan("\x82\xa0", true, bmccSBCS)), "0:130 0:160 14");
  EXPECT_EQ(Describe(Scan(std::string("a\0|\0", 4), true, bmccUnicode)), "0:97 2 14");
  TbmREScanner scanner;
  try {
    scanner.SetCharCode(4);
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "TbmREScanner.SetCharCode: can't create reader");
  }
}

struct ErrorCase {
  const char* name;
  std::string pattern;
  const char* message;
  int start;
  int end;
};

class ScanErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ScanErrors, RaiseWithTheOffendingToken) {
  const ErrorCase& c = GetParam();
  try {
    Scan(c.pattern);
    FAIL() << "no exception";
  } catch (const EbmREToken& error) {
    EXPECT_STREQ(error.what(), c.message);
    EXPECT_STREQ(TokenKindName(error.Token().Kind), c.message);
    EXPECT_EQ(error.Token().Start, c.start);
    EXPECT_EQ(error.Token().End, c.end);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scanner, ScanErrors,
    ::testing::Values(
        ErrorCase{"UnclosedBracket", "[a", "need right bracket \"]\" ", 2, 2},
        ErrorCase{"EmptyBracket", "[]", "need right bracket \"]\" ", 2, 2},
        ErrorCase{"UnclosedNegatedBracket", "x[^", "need right bracket \"]\" ", 3, 3},
        ErrorCase{"ReversedRange", "[z-a]", "invalid character class", 1, 4},
        ErrorCase{"TrailingBackslash", "ab\\", "invalid escape sequence", 2, 3},
        ErrorCase{"HexWithoutDigit", "\\xg", "invalid escape sequence", 0, 2},
        ErrorCase{"TrailingBackslashInBracket", "[a\\", "invalid escape sequence", 2, 3},
        ErrorCase{"RangeToTrailingBackslash", "[a-\\", "invalid escape sequence", 1, 4}),
    [](const auto& info) { return info.param.name; });

TEST(Standardize, ExpandsNegatedBracketsIntoTheirComplement) {
  TbmRETokens tokens = Scan("x[^b\\x82a0]y");
  tokens.Standardize();
  EXPECT_EQ(Describe(tokens), "0:120 8 1:0-9 1:11-12 1:14-97 1:99-33439 1:33441-65535 10 0:121 14");
  EXPECT_EQ(tokens[2].Start, 1);  // the items span the bracket expression
  EXPECT_EQ(tokens[2].End, 10);
}

TEST(Standardize, LeavesNothingOfANegatedBracketCoveringEverything) {
  TbmRETokens tokens = Scan("[^\\x00-\\xffff]");
  tokens.Standardize();
  EXPECT_EQ(Describe(tokens), "8 10 14");
}

TEST(Standardize, RefusesAnEmptyList) {
  TbmRETokens tokens;
  try {
    tokens.Standardize();
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "TbmRETokens.Standardize Internal Error(1)");
  }
}

TEST(Standardize, RefusesAnUnclosedNegatedBracket) {
  TbmRETokens last;
  last.Add({Kind::NegateLeftBracket});
  EXPECT_THROW(last.Standardize(), std::runtime_error);
  TbmRETokens unclosed;
  unclosed.Add({Kind::NegateLeftBracket});
  unclosed.Add({Kind::Char, 'a', 'a'});
  try {
    unclosed.Standardize();
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "TbmRETokens.Standardize Internal Error(3)");
  }
}

TEST(CaseFolding, TurnsLettersOfRunsIntoAlternatives) {
  TbmRETokens folded;
  TbmREAsciiIgnoreCaseDic().Translate(Scan("a1Z*"), folded);
  EXPECT_EQ(Describe(folded), "3 0:97 2 0:65 4 0:49 3 0:90 2 0:122 4 5 14");
  EXPECT_EQ(folded[0].Start, 0);
  EXPECT_EQ(folded[10].End, 3);  // the ) of Z carries Z's bytes
}

TEST(CaseFolding, LeavesBracketsRangesAndFullWidthLettersAlone) {
  TbmRETokens folded;
  TbmREAsciiIgnoreCaseDic().Translate(Scan("[a-c]\x82\x81"), folded);
  EXPECT_EQ(Describe(folded), "8 1:97-99 10 0:33409 14");
}

TEST(CaseFolding, TheFrameCopiesEverything) {
  TbmRETokens copied;
  const TbmRETokens source = Scan("ab|[x]");
  TbmREDicFrame().Translate(source, copied);
  EXPECT_EQ(Describe(copied), Describe(source));
}

}  // namespace
}  // namespace kelmo
