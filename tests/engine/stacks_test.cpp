// The evaluator's two stacks: last in, first out, and a loud failure instead of undefined
// behaviour when popped empty.
#include "engine/stacks.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace kelmo {
namespace {

TEST(Stacks, PopReturnsItemsInReverseOrder) {
  TStrStack texts;
  texts.Push(u"first");
  texts.Push(u"");
  texts.Push(u"third");
  EXPECT_EQ(texts.Count(), 3);
  EXPECT_EQ(texts.Peek(), u"third");
  EXPECT_EQ(texts.Count(), 3);
  EXPECT_EQ(texts.Pop(), u"third");
  EXPECT_EQ(texts.Pop(), u"");
  EXPECT_EQ(texts.Pop(), u"first");
  EXPECT_EQ(texts.Count(), 0);

  TIntStack positions;
  positions.Push(7);
  positions.Push(-2);
  EXPECT_EQ(positions.Pop(), -2);
  EXPECT_EQ(positions.Peek(), 7);
  EXPECT_EQ(positions.Count(), 1);
}

TEST(Stacks, PopAndPeekOnEmptyStackRaise) {
  TIntStack positions;
  EXPECT_THROW(positions.Pop(), std::out_of_range);
  EXPECT_THROW(positions.Peek(), std::out_of_range);
  TStrStack texts;
  texts.Push(u"x");
  texts.Pop();
  EXPECT_THROW(texts.Pop(), std::out_of_range);
}

}  // namespace
}  // namespace kelmo
