#include "regex/automaton.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "regex/scanner.h"

namespace kelmo {
namespace {

TbmREDFATable Compile(const std::string& pattern) {
  TbmREScanner scanner;
  scanner.SetText(pattern);
  TbmRETokens tokens;
  tokens.Tokenize(scanner);
  tokens.Standardize();
  TbmRETree tree;
  tree.Build(tokens);
  TbmREDFATable table;
  table.Build(tree);
  return table;
}

std::string Describe(std::span<const TbmRETransition> transitions) {
  std::string text;
  for (const TbmRETransition& transition : transitions) {
    if (!text.empty()) text += ' ';
    text += std::to_string(transition.Lo) + '-' + std::to_string(transition.Hi) + '>' +
            std::to_string(transition.Target);
  }
  return text;
}

std::string Repeat(const std::string& text, int count) {
  std::string result;
  for (int index = 0; index < count; ++index) result += text;
  return result;
}

TEST(AddTransition, WidensTheFrontTransitionToTheSameTarget) {
  std::vector<TbmRETransition> reversed;
  AddTransition(reversed, 20, 29, 1);
  AddTransition(reversed, 10, 19, 1);  // adjacent, same target: widened
  AddTransition(reversed, 5, 8, 1);    // a gap: a new transition
  AddTransition(reversed, 3, 4, 2);    // adjacent, other target: a new transition
  ASSERT_EQ(reversed.size(), 3u);
  EXPECT_EQ(reversed[0].Lo, 10);
  EXPECT_EQ(reversed[0].Hi, 29);
  EXPECT_EQ(reversed[1].Lo, 5);
  EXPECT_EQ(reversed[2].Target, 2);
}

TEST(Construction, ClassicExampleHasFourStates) {
  const TbmREDFATable table = Compile("(a|b)*abb");
  ASSERT_EQ(table.StateCount(), 4);
  EXPECT_EQ(Describe(table.Transitions(0)), "97-97>1 98-98>0");
  EXPECT_EQ(Describe(table.Transitions(1)), "97-97>1 98-98>2");
  EXPECT_EQ(Describe(table.Transitions(2)), "97-97>1 98-98>3");
  EXPECT_FALSE(table.State(2).Accepting);
  EXPECT_TRUE(table.State(3).Accepting);
}

TEST(Construction, StatesAreNumberedFromTheHighestRangeDown) {
  const TbmREDFATable table = Compile("ab|ba");
  EXPECT_EQ(table.NextState(0, 'b'), 1);
  EXPECT_EQ(table.NextState(0, 'a'), 2);
}

TEST(Construction, AdjacentRangesToOneStateShareATransition) {
  EXPECT_EQ(Describe(Compile("a|b").Transitions(0)), "97-98>1");
  EXPECT_EQ(Describe(Compile("a|c").Transitions(0)), "97-97>1 99-99>1");
}

TEST(Construction, OverlappingLabelsArePartitioned) {
  const TbmREDFATable table = Compile("[a-z]x|[m-p]y");
  // a-l and q-z lead to {x}; m-p to {x, y}.
  EXPECT_EQ(Describe(table.Transitions(0)), "97-108>1 109-112>2 113-122>1");
}

TEST(Construction, DotAndNegatedClassesCoverTheCodeSpaceButLineBreaks) {
  EXPECT_EQ(Describe(Compile(".").Transitions(0)), "0-9>1 11-12>1 14-65535>1");
  EXPECT_EQ(Describe(Compile("[^a]").Transitions(0)), "0-9>1 11-12>1 14-96>1 98-65535>1");
}

TEST(Construction, AnchorsAreTransitionsOnTheirCodes) {
  const TbmREDFATable head = Compile("^a");
  EXPECT_TRUE(head.HasLineHead());
  EXPECT_EQ(head.LineHeadState(), head.NextState(0, kCodeLineHead));
  EXPECT_GE(head.LineHeadState(), 0);
  EXPECT_EQ(head.NextState(0, 'a'), -1);

  const TbmREDFATable tail = Compile("a$");
  EXPECT_TRUE(tail.HasLineTail());
  const int afterA = tail.NextState(0, 'a');
  EXPECT_TRUE(tail.State(afterA).LineTail);
  EXPECT_GE(tail.NextState(afterA, kCodeLineTail), 0);
  EXPECT_EQ(tail.NextState(afterA, kCodeEnd), -1);
}

TEST(Construction, EmptyPatternIsOneAcceptingState) {
  const TbmREDFATable table = Compile("");
  ASSERT_EQ(table.StateCount(), 1);
  EXPECT_TRUE(table.State(0).Accepting);
  EXPECT_TRUE(table.Transitions(0).empty());
}

TEST(Construction, LongTransitionListsAreFoundByBisection) {
  std::string pattern;
  for (char letter = 'a'; letter <= 'z'; letter += 2) pattern += std::string(1, letter) + "x|";
  const TbmREDFATable table = Compile(pattern + "zz");
  ASSERT_GT(table.Transitions(0).size(), 8u);
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    EXPECT_EQ(table.NextCharState(0, letter), table.NextState(0, letter)) << letter;
  }
  EXPECT_EQ(table.NextCharState(0, 0x82A0), -1);
}

TEST(StartFilter, KnowsTheFirstBytesOfAMatch) {
  const TbmREDFATable table = Compile("\x82\xa0|b");  // HIRAGANA A or b
  EXPECT_TRUE(table.MayStartAt(0x82));
  EXPECT_TRUE(table.MayStartAt('b'));
  EXPECT_FALSE(table.MayStartAt('a'));
  EXPECT_FALSE(table.MayStartAt('\n'));
  EXPECT_TRUE(Compile("^b").MayStartAt('\n'));  // line breaks begin line-head threads
  EXPECT_TRUE(Compile("x|$").MayStartAt('\r'));
  EXPECT_TRUE(Compile("a*").MayStartAt('z'));  // the start state accepts
}

TEST(Limits, TenThousandStatesAreAccepted) {
  // (a|b)*a(a|b)^n needs 2^(n+1) states: 8,192 for n = 12.
  EXPECT_EQ(Compile("(a|b)*a" + Repeat("(a|b)", 12)).StateCount(), 8192);
}

TEST(Limits, MoreStatesAreTooComplex) {
  try {
    Compile("(a|b)*a" + Repeat("(a|b)", 13));
    FAIL() << "no exception";
  } catch (const EbmREToken& error) {
    EXPECT_STREQ(error.what(), "pattern too complex");
    EXPECT_EQ(error.Token().Start, 0);
    EXPECT_EQ(error.Token().End, 7 + 13 * 5);
  }
}

TEST(Limits, FailedBuildLeavesTheTableAsItWas) {
  TbmREDFATable table = Compile("ab");
  TbmREScanner scanner;
  scanner.SetText("(a|b)*a" + Repeat("(a|b)", 13));
  TbmRETokens tokens;
  tokens.Tokenize(scanner);
  TbmRETree tree;
  tree.Build(tokens);
  EXPECT_THROW(table.Build(tree), EbmREToken);
  EXPECT_EQ(table.StateCount(), 3);
}

}  // namespace
}  // namespace kelmo
