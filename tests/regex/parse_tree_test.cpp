#include "regex/parse_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "regex/scanner.h"

namespace kelmo {
namespace {

TbmRETree Parse(const std::string& pattern) {
  TbmREScanner scanner;
  scanner.SetText(pattern);
  TbmRETokens tokens;
  tokens.Tokenize(scanner);
  tokens.Standardize();
  TbmRETree tree;
  tree.Build(tokens);
  return tree;
}

std::vector<int> Members(std::span<const uint64_t> set) {
  std::vector<int> leaves;
  for (size_t bit = 0; bit < set.size() * 64; ++bit) {
    if ((set[bit / 64] >> (bit % 64)) & 1) leaves.push_back(static_cast<int>(bit));
  }
  return leaves;
}

std::vector<TbmRERange> LabelOf(const TbmRETree& tree, int leaf) {
  const auto label = tree.Label(tree.LeafLabel(leaf));
  return {label.begin(), label.end()};
}

TEST(PositionSets, FollowTheClassicExample) {
  // (a|b)*abb: leaves a0 b1 a2 b3 b4 end5.
  const TbmRETree tree = Parse("(a|b)*abb");
  ASSERT_EQ(tree.LeafCount(), 6);
  EXPECT_EQ(Members(tree.RootFirstPos()), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(Members(tree.FollowPos(0)), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(Members(tree.FollowPos(1)), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(Members(tree.FollowPos(2)), (std::vector<int>{3}));
  EXPECT_EQ(Members(tree.FollowPos(3)), (std::vector<int>{4}));
  EXPECT_EQ(Members(tree.FollowPos(4)), (std::vector<int>{5}));
  EXPECT_TRUE(Members(tree.FollowPos(5)).empty());
  EXPECT_EQ(tree.FollowId(0), tree.FollowId(1));
  EXPECT_NE(tree.FollowId(2), tree.FollowId(3));
}

TEST(PositionSets, PlusRepeatsTheSameLeaves) {
  const TbmRETree tree = Parse("(ab)+c");
  ASSERT_EQ(tree.LeafCount(), 4);  // a b c end
  EXPECT_EQ(Members(tree.RootFirstPos()), (std::vector<int>{0}));
  EXPECT_EQ(Members(tree.FollowPos(1)), (std::vector<int>{0, 2}));
}

TEST(PositionSets, OptionalAndEmptyPartsAreNullable) {
  const TbmRETree tree = Parse("a?()b*");
  EXPECT_EQ(Members(tree.RootFirstPos()), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(Members(tree.FollowPos(0)), (std::vector<int>{1, 2}));
}

TEST(Labels, EqualLabelsAreShared) {
  const TbmRETree tree = Parse("a.[0-9a]a.[a0-9]");
  EXPECT_EQ(tree.LeafLabel(0), tree.LeafLabel(3));
  EXPECT_EQ(tree.LeafLabel(1), tree.LeafLabel(4));
  EXPECT_EQ(tree.LeafLabel(2), tree.LeafLabel(5));
  EXPECT_EQ(LabelOf(tree, 1), (std::vector<TbmRERange>{{0, 9}, {11, 12}, {14, 0xFFFF}}));
  EXPECT_EQ(LabelOf(tree, 2), (std::vector<TbmRERange>{{48, 57}, {97, 97}}));
}

TEST(Labels, BracketItemsAreMergedIntoOneLeaf) {
  const TbmRETree tree = Parse("[a-fc-kz]");
  ASSERT_EQ(tree.LeafCount(), 2);
  EXPECT_EQ(LabelOf(tree, 0), (std::vector<TbmRERange>{{'a', 'k'}, {'z', 'z'}}));
}

TEST(Labels, NegatedBracketCoveringEverythingMatchesNothing) {
  const TbmRETree tree = Parse("[^\\x00-\\xffff]a");
  EXPECT_EQ(tree.Nodes()[0].Kind, TbmRENodeKind::Nothing);
  EXPECT_TRUE(Members(tree.RootFirstPos()).empty());
}

struct AnchorCase {
  const char* name;
  const char* pattern;
  bool lineHead;
  bool lineTail;
  std::vector<TbmRERange> firstLabel;  // the label of leaf 0
};

class Anchors : public ::testing::TestWithParam<AnchorCase> {};

TEST_P(Anchors, AreSettledByWhereTheyStand) {
  const AnchorCase& c = GetParam();
  const TbmRETree tree = Parse(c.pattern);
  EXPECT_EQ(tree.HasLineHead(), c.lineHead);
  EXPECT_EQ(tree.HasLineTail(), c.lineTail);
  EXPECT_EQ(LabelOf(tree, 0), c.firstLabel);
}

INSTANTIATE_TEST_SUITE_P(
    FixAnchors, Anchors,
    ::testing::Values(AnchorCase{"HeadAtStart", "^ab", true, false, {{-2, -2}}},
                      AnchorCase{"HeadInGroup", "(^a|b)", true, false, {{-2, -2}}},
                      AnchorCase{"HeadInAlternative", "x|^y", true, false, {{'x', 'x'}}},
                      AnchorCase{"HeadAfterCharacter", "a^b", false, false, {{'a', 'a'}}},
                      AnchorCase{"TailAtEnd", "ab$", false, true, {{'a', 'a'}}},
                      AnchorCase{"TailInAlternatives", "(a$|b$)", false, true, {{'a', 'a'}}},
                      AnchorCase{"TailAtStart", "$a", false, false, {{'$', '$'}}},
                      AnchorCase{"TailInMiddle", "a$b", false, false, {{'a', 'a'}}},
                      AnchorCase{"TailUnderClosure", "(a$)*", false, false, {{'a', 'a'}}},
                      AnchorCase{"HeadAfterOptional", "a?^b", true, false, {{'a', 'a'}}},
                      AnchorCase{"Both", "^$", true, true, {{-2, -2}}}),
    [](const auto& info) { return info.param.name; });

TEST(Anchors, LiteralAnchorsBecomeTheirCharacters) {
  const TbmRETree tree = Parse("a^b$c");
  EXPECT_EQ(LabelOf(tree, 1), (std::vector<TbmRERange>{{'^', '^'}}));
  EXPECT_EQ(LabelOf(tree, 3), (std::vector<TbmRERange>{{'$', '$'}}));
}

struct ParseErrorCase {
  const char* name;
  std::string pattern;
  const char* message;
  int start;
};

class ParseErrors : public ::testing::TestWithParam<ParseErrorCase> {};

TEST_P(ParseErrors, RaiseOnTheOffendingToken) {
  const ParseErrorCase& c = GetParam();
  try {
    Parse(c.pattern);
    FAIL() << "no exception";
  } catch (const EbmREToken& error) {
    EXPECT_STREQ(error.what(), c.message);
    EXPECT_EQ(error.Token().Start, c.start);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Parser, ParseErrors,
    ::testing::Values(
        ParseErrorCase{"DoubleStar", "a**", "need normal char or left parenthesis", 2},
        ParseErrorCase{"LeadingStar", "*a", "need normal char or left parenthesis", 0},
        ParseErrorCase{"PlusQuestion", "a+?", "need normal char or left parenthesis", 2},
        ParseErrorCase{"StarInGroup", "(*)", "need normal char or left parenthesis", 1},
        ParseErrorCase{"StarAfterUnion", "a|*", "need normal char or left parenthesis", 2},
        ParseErrorCase{"UnclosedGroup", "(a", "need right parenthesis", 2},
        ParseErrorCase{"UnopenedGroup", "a)", "invalid character", 1},
        ParseErrorCase{"UnopenedAfterGroup", "(a))b", "invalid character", 3}),
    [](const auto& info) { return info.param.name; });

TEST(Limits, AThousandNestedGroupsParse) {
  const std::string pattern = std::string(1000, '(') + "a" + std::string(1000, ')');
  EXPECT_EQ(Parse(pattern).LeafCount(), 2);
}

TEST(Limits, DeeperNestingIsTooComplex) {
  const std::string pattern = std::string(1001, '(') + "a" + std::string(1001, ')');
  try {
    Parse(pattern);
    FAIL() << "no exception";
  } catch (const EbmREToken& error) {
    EXPECT_STREQ(error.what(), "pattern too complex");
    EXPECT_EQ(error.Token().Start, 1000);  // the group that goes too deep
  }
}

TEST(Limits, SequentialGroupsAreNotNesting) {
  std::string pattern;
  for (int group = 0; group < 3000; ++group) pattern += "(a)";
  EXPECT_EQ(Parse(pattern).LeafCount(), 3001);
}

TEST(Limits, PatternsBeyondThePositionSetBudgetAreTooComplex) {
  // 20,000 leaves need 313 words per set, times some 40,000 nodes.
  try {
    Parse(std::string(20000, 'a'));
    FAIL() << "no exception";
  } catch (const EbmREToken& error) {
    EXPECT_STREQ(error.what(), "pattern too complex");
    EXPECT_EQ(error.Token().End, 20000);
  }
}

}  // namespace
}  // namespace kelmo
