// Kind A: both patterns must be found, the first in the normalised previous reply (Context), the
// second in the input; broken patterns never match and disturb nothing else.
#include "dictionary/kelmo_data_a.h"

#include <gtest/gtest.h>

#include "dictionary_test_support.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

using testing::Candidates;
using testing::CrLf;
using testing::Sjis;

struct MatchCase {
  const char* name;
  std::string line;      // one dictionary line
  std::string rawReply;  // given to SetContext, decoded
  std::string input;     // normalised input
  bool passes;
};
void PrintTo(const MatchCase& test, std::ostream* out) {
  *out << test.name;
}

class KindAMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(KindAMatch, PassesWhenBothPatternsAreFound) {
  const MatchCase& test = GetParam();
  testing::TempFolder folder;
  TKelmoDataA dictionary(false, nullptr);
  dictionary.LoadFile(folder.Write("a.txt", test.line));
  dictionary.SetContext(ShiftJisToUtf16(test.rawReply));
  EXPECT_EQ(dictionary.Lookup(test.input), test.passes ? "r" : "");
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, KindAMatch,
    ::testing::Values(
        MatchCase{"BothFound", "HELLO,NAME,r", "Hello there", "MY NAME", true},
        MatchCase{"PreviousReplyMissing", "HELLO,NAME,r", "Bye", "MY NAME", false},
        MatchCase{"InputMissing", "HELLO,NAME,r", "Hello", "MY AGE", false},
        MatchCase{"EmptyPatternsMatchTheEmptyContext", ",,r", "", "", true},
        MatchCase{"LowerCasePatternMatchesNormalisedReply", "hello,,r", "hElLo", "", true},
        MatchCase{"FullWidthPatternMatchesNormalisedReply", Sjis(u"ｈｅｌｌｏ,,r"), "HELLO", "",
                  true},
        MatchCase{"FullWidthReplyIsNormalised", "HELLO,,r", Sjis(u"ＨＥＬＬＯ"), "", true},
        MatchCase{"MacroTextOfTheRawReplyCanMatch", "{wait},,r", "Hi{WAIT}", "", true},
        MatchCase{"DigitShorthandMatchesADigit", "AGE#,,r", "age 7", "", false},
        MatchCase{"DigitShorthandMatchesADigitAdjacent", "AGE#,,r", "age7", "", true},
        MatchCase{"EscapedShorthandIsALiteralHash", "\\#1,,r", "#1", "", true},
        MatchCase{"EscapedShorthandIsNotADigit", "\\#1,,r", "11", "", false},
        MatchCase{"AnchoredPatternNeedsTheLineStart", ",^ABC,r", "", "XABC", false},
        MatchCase{"JapanesePatternInShiftJis", Sjis(u"名前,名前は,r"), Sjis(u"お名前を"),
                  Sjis(u"僕の名前は"), true},
        MatchCase{"BrokenPreviousReplyPatternNeverPasses", "(,,r", "(", "", false},
        MatchCase{"BrokenInputPatternNeverPasses", ",[Z-A],r", "", "[Z-A]", false}),
    [](const auto& info) { return info.param.name; });

TEST(TKelmoDataA, ContextIsEmptyUntilSetAndStoresTheNormalisedReply) {
  TKelmoDataA dictionary(false, nullptr);
  EXPECT_EQ(dictionary.Context(), "");
  dictionary.SetContext(u"hello {Rand1|2}");
  EXPECT_EQ(dictionary.Context(), "HELLO {RAND1|2}");
  dictionary.SetContext(u"");
  EXPECT_EQ(dictionary.Context(), "");
}

TEST(TKelmoDataA, BeforeTheFirstReplyOnlyPatternsMatchingTheEmptyTextPass) {
  testing::TempFolder folder;
  TKelmoDataA dictionary(false, nullptr);
  dictionary.LoadFile(folder.Write("a.txt", CrLf({"X,,r1", ",,r2", "X*,,r3", "^$,,r4"})));
  EXPECT_EQ(Candidates(dictionary, "ANY"), (std::vector<int>{1, 2, 3}));
}

TEST(TKelmoDataA, BrokenPatternsDoNotDisturbTheOtherEntriesOfTheirGroup) {
  testing::TempFolder folder;
  TKelmoDataA dictionary(false, nullptr);
  dictionary.LoadFile(
      folder.Write("a.txt", CrLf({"(,,r0", ",A,r1", ",((,r2", ",,r3", "{PRIOR},,x", ",,r5"})));
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(Candidates(dictionary, "A"), (std::vector<int>{1, 3}));
  }
}

TEST(TKelmoDataA, ClearDiscardsTheEntriesAndALaterLoadStartsAfresh) {
  testing::TempFolder folder;
  TKelmoDataA dictionary(true, nullptr);
  dictionary.LoadFile(folder.Write("1.txt", CrLf({",(,r1", ",A,r2"})));
  dictionary.Clear();
  EXPECT_EQ(dictionary.AvailableCount, 0);
  EXPECT_EQ(dictionary.Lookup("A"), "");
  dictionary.LoadFile(folder.Write("2.txt", CrLf({",A,r3", ",(,r4"})));
  EXPECT_EQ(Candidates(dictionary, "A"), (std::vector<int>{0}));
  EXPECT_EQ(dictionary.Lookup("A"), "r3");
  EXPECT_EQ(dictionary.AvailableCount, 1);
}

}  // namespace
}  // namespace kelmo
