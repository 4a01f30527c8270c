// The macro text check on deeply nested groups: the findings of a nest thousands of levels deep are
// those of the same nest a few levels deep, level for level, and only short groups are kept for
// the mark test (the text of every level of a deep nest would cost the square of its depth).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "lint/macro_text_check.h"

namespace kelmo::testing {
namespace {

constexpr auto kReply = TMacroTextPlace::Reply;
constexpr auto kCondition = TMacroTextPlace::Condition;

// depth times "{IF", then closes times "}": a nest of IF groups that name nothing (IF needs its
// "|" parts).
std::string IfNest(int depth, int closes) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "{IF";
  return text + std::string(static_cast<size_t>(closes), '}');
}

struct TNestCase {
  const char* Name;
  int Depth;
  int Closes;
  TMacroTextPlace Place;
  std::vector<std::string> Checks;  // of the problems, in order
  size_t NamelessGroups;
};
void PrintTo(const TNestCase& test, std::ostream* out) {
  *out << test.Name;
}

class MacroTextNesting : public ::testing::TestWithParam<TNestCase> {};

TEST_P(MacroTextNesting, FindsEachLevelOnce) {
  const TNestCase& test = GetParam();
  const TMacroTextCheck check = CheckMacroText(IfNest(test.Depth, test.Closes), test.Place);
  std::vector<std::string> checks;
  for (const TMacroTextProblem& problem : check.Problems) checks.push_back(problem.Check);
  EXPECT_EQ(checks, test.Checks);
  ASSERT_EQ(check.NamelessGroups.size(), test.NamelessGroups);
  if (test.NamelessGroups == 0) return;
  // Groups are found as they close, innermost first; each names the column of its own "{".
  const int innermost = test.Depth - 1;
  EXPECT_EQ(check.NamelessGroups.front().Message.find(std::to_string(innermost * 3 + 1) +
                                                      " 文字目の「{IF}」"),
            0u)
      << check.NamelessGroups.front().Message;
  const int outermostClosed = std::max(test.Depth - test.Closes, 0);
  EXPECT_EQ(check.NamelessGroups.back().Message.find(std::to_string(outermostClosed * 3 + 1) +
                                                     " 文字目の「{IF{IF"),
            0u)
      << check.NamelessGroups.back().Message;
}

INSTANTIATE_TEST_SUITE_P(
    Nests, MacroTextNesting,
    ::testing::Values(TNestCase{"ShallowNest", 3, 3, kReply, {}, 3},
                      TNestCase{"DeepNest", 20000, 20000, kReply, {}, 20000},
                      TNestCase{"DeepNestUnclosed", 20000, 0, kReply, {"braces"}, 0},
                      TNestCase{"DeepNestHalfClosed", 20000, 10000, kReply, {"braces"}, 10000},
                      TNestCase{"DeepNestTooManyCloses", 20000, 20001, kReply, {"braces"}, 20000},
                      TNestCase{"DeepNestAsCondition", 20000, 20000, kCondition, {}, 20000}),
    [](const ::testing::TestParamInfo<TNestCase>& info) { return std::string(info.param.Name); });

TEST(MacroTextNesting, ShortLevelsAreKeptForTheMarkTestLongOnesAreNot) {
  const TMacroTextCheck check = CheckMacroText(IfNest(200, 200), kReply);
  ASSERT_EQ(check.NamelessGroups.size(), 200u);
  // Innermost first: {IF}, {IF{IF}}, ...; level k (from the inside) is 4 k characters long.
  EXPECT_EQ(check.NamelessGroups[0].Normalized, "{IF}");
  EXPECT_TRUE(check.NamelessGroups[0].MayBeMark);
  EXPECT_EQ(check.NamelessGroups[1].Normalized, "{IF{IF}}");
  EXPECT_TRUE(check.NamelessGroups[63].MayBeMark);  // 256 characters
  EXPECT_EQ(check.NamelessGroups[63].Normalized.size(), 256u);
  EXPECT_FALSE(check.NamelessGroups[64].MayBeMark);  // 260 characters
  EXPECT_TRUE(check.NamelessGroups[64].Normalized.empty());
  EXPECT_FALSE(check.NamelessGroups.back().MayBeMark);
}

TEST(MacroTextNesting, AGroupWithoutInnerGroupsIsAMarkCandidateAtAnyLength) {
  const std::string word(5000, 'a');
  const TMacroTextCheck check = CheckMacroText("{" + word + "}", kReply);
  ASSERT_EQ(check.NamelessGroups.size(), 1u);
  EXPECT_TRUE(check.NamelessGroups[0].MayBeMark);
  EXPECT_EQ(check.NamelessGroups[0].Normalized, "{" + std::string(5000, 'A') + "}");
}

TEST(MacroTextNesting, InnerResultsStillNameTheCommandsAroundThem) {
  // Each level is an IF whose condition is the next level's result: all are commands.
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "{IF";
  text += "{FLAG01}";
  for (int i = 0; i < 5000; ++i) text += "a|b}";
  const TMacroTextCheck check = CheckMacroText(text, kReply);
  EXPECT_TRUE(check.Problems.empty());
  EXPECT_TRUE(check.NamelessGroups.empty());
}

}  // namespace
}  // namespace kelmo::testing
