// What the analysis finds of patterns whose matches all begin at a line head: the first bytes of
// the character there. The prefilter checks them against the text's line heads instead of
// searching, so a pattern given bytes it does not begin with would lose matches, and one that
// could begin elsewhere, or match the empty text, must get none.
#include "dictionary/pattern_requirement.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "dictionary_test_support.h"
#include "regex/char_reader.h"
#include "regex/regexp.h"

namespace kelmo {
namespace {

using testing::Sjis;

struct LineHeadCase {
  const char* name;
  std::string pattern;  // normalised
  bool hasBytes;
  std::string bytes;  // the expected set, each byte once
};
void PrintTo(const LineHeadCase& test, std::ostream* out) {
  *out << test.name;
}

TByteSet SetOf(const std::string& bytes) {
  TByteSet set{};
  for (const char byte : bytes) AddByte(set, static_cast<uint8_t>(byte));
  return set;
}

class LineHeadBytes : public ::testing::TestWithParam<LineHeadCase> {};

TEST_P(LineHeadBytes, AreTheFirstBytesAfterTheAnchor) {
  const LineHeadCase& test = GetParam();
  const TPatternRequirement requirement = AnalysePattern(test.pattern, bmccSJIS);
  ASSERT_EQ(requirement.Kind, TPatternRequirement::TKind::Clauses);
  EXPECT_EQ(requirement.HasLineHeadBytes, test.hasBytes);
  if (test.hasBytes) {
    EXPECT_EQ(requirement.LineHeadBytes, SetOf(test.bytes));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LineHeadBytes,
    ::testing::Values(
        LineHeadCase{"Digits", "^[0-9]+$", true, "0123456789"},
        LineHeadCase{"LettersThenMore", "^[A-D]+.*", true, "ABCD"},
        LineHeadCase{"AlternativesInAGroup", "^(X|[0-2])+$", true, "X012"},
        LineHeadCase{"OptionalFirstCharacter", "^A*[BC]", true, "ABC"},
        LineHeadCase{"DoubleByteClass", Sjis(u"^[ぁ-ん]+[!?]$"), true, "\x82"},
        LineHeadCase{"ClassAcrossLeadBytes", Sjis(u"^[ー-ア]"), true, "\x81\x82\x83"},
        LineHeadCase{"AnAlternativeWithoutAnchor", "^[0-9]|[A-Z]", false, ""},
        LineHeadCase{"EmptyAfterTheAnchor", "^[0-9]*", false, ""},
        LineHeadCase{"AnchorThenLineTail", "^$", false, ""},
        LineHeadCase{"NoAnchor", "[0-9]+X", false, ""},
        LineHeadCase{"CaretInsideIsACharacter", "[0-9]^[A-Z]", false, ""}),
    [](const auto& info) { return info.param.name; });

// Whether compiling can fail: a pattern the analysis calls sure to compile must compile, and one
// whose automaton outgrows the engine's limit must not be called sure.
struct CompileCase {
  const char* name;
  std::string pattern;  // normalised
  bool sure;
  bool compiles;
};
void PrintTo(const CompileCase& test, std::ostream* out) {
  *out << test.name;
}

std::string FreeLettersAfterA(int count) {
  std::string pattern = "(A|B)*A";
  for (int i = 0; i < count; ++i) pattern += "(A|B)";
  return pattern;
}

class SureToCompile : public ::testing::TestWithParam<CompileCase> {};

TEST_P(SureToCompile, OnlyWhenCompilingCannotFail) {
  const CompileCase& test = GetParam();
  EXPECT_EQ(AnalysePattern(test.pattern, bmccSJIS).SureToCompile, test.sure);
  bool compiles = true;
  try {
    TbmRExp expression;
    expression.SetPattern(test.pattern);
    expression.Compile();
  } catch (const EbmREToken&) {
    compiles = false;
  }
  EXPECT_EQ(compiles, test.compiles);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, SureToCompile,
    ::testing::Values(CompileCase{"Literals", "ABC|DEF", true, true},
                      CompileCase{"AnchoredText", "^ABC$", true, true},
                      CompileCase{"FewFollowSets", "A.*B[0-9]+C?", true, true},
                      CompileCase{"ThirteenFollowSets", FreeLettersAfterA(10), true, true},
                      CompileCase{"TooManyToTell", FreeLettersAfterA(12), false, true},
                      CompileCase{"TooComplex", FreeLettersAfterA(14), false, false},
                      CompileCase{"SyntaxError", "(A", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelmo
