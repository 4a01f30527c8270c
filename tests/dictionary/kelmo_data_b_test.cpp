// Kind B: the pattern must be found anywhere in the normalised input; patterns are normalised at
// load, and broken patterns never match.
#include "dictionary/kelmo_data_b.h"

#include <gtest/gtest.h>

#include "dictionary_test_support.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

using testing::Sjis;

struct MatchCase {
  const char* name;
  std::string line;   // one dictionary line
  std::string input;  // normalised input
  bool passes;
};
void PrintTo(const MatchCase& test, std::ostream* out) {
  *out << test.name;
}

class KindBMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(KindBMatch, PassesWhenThePatternIsFoundAnywhere) {
  testing::TempFolder folder;
  TKelmoDataB dictionary(false, nullptr);
  dictionary.LoadFile(folder.Write("b.txt", GetParam().line));
  EXPECT_EQ(dictionary.Lookup(GetParam().input), GetParam().passes ? "r" : "");
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, KindBMatch,
    ::testing::Values(MatchCase{"PlainTextAtTheStart", "HELLO,r", "HELLO THERE", true},
                      MatchCase{"PlainTextInTheMiddle", "HELLO,r", "OH HELLO THERE", true},
                      MatchCase{"PlainTextAbsent", "HELLO,r", "HELL O", false},
                      MatchCase{"LowerCasePattern", "hello,r", "HELLO", true},
                      MatchCase{"FullWidthPattern", Sjis(u"ＨｅＬｌＯ,r"), "HELLO", true},
                      MatchCase{"EmptyPatternMatchesTheEmptyInput", ",r", "", true},
                      MatchCase{"EmptyQuotedPatternMatchesAnything", "\"\",r", "ANY", true},
                      MatchCase{"DigitShorthand", "AGE#,r", "AGE7", true},
                      MatchCase{"DigitShorthandNeedsADigit", "AGE#,r", "AGEX", false},
                      MatchCase{"FullWidthHashIsTheShorthandToo", Sjis(u"AGE＃,r"), "AGE7", true},
                      MatchCase{"EscapedShorthandIsALiteralHash", "\\#1,r", "NO#1", true},
                      MatchCase{"EscapedShorthandIsNotADigit", "\\#1,r", "11", false},
                      MatchCase{"AnchoredPattern", "^HI,r", "OH HI", false},
                      MatchCase{"MarkerOfAnEmptyLine", "^{NOTHINGSAID}$,r", "{NOTHINGSAID}", true},
                      MatchCase{"Alternation", "CAT|DOG,r", "HOTDOG", true},
                      MatchCase{"JapaneseKeyword", Sjis(u"天気,r"), Sjis(u"明日の天気は？"), true},
                      MatchCase{"JapaneseKeywordAbsent", Sjis(u"天気,r"), Sjis(u"天の川"), false},
                      MatchCase{"SyntaxErrorNeverMatches", "(HI,r", "(HI", false},
                      MatchCase{"TooDeepNestingNeverMatches",
                                std::string(2000, '(') + std::string(2000, ')') + ",r", "", false}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kelmo
