// The terminal balloon's output byte for byte: growth is printed as it comes, erasures move the
// cursor back over exactly the rows the terminal wrapped (double-width letters and the pending
// wrap in the last column included), and every other change starts a new block.
#include "tty/terminal_balloon.h"

#include <gtest/gtest.h>

#include <clocale>
#include <sstream>

namespace kelmo {
namespace {

constexpr const char* kLabel = "\x1b[1mkit\x1b[0m: ";  // the speaker's name, bold
constexpr const char* kIndent = "     ";               // as wide as "kit: "

class TerminalBalloonTest : public ::testing::Test {
 protected:
  TerminalBalloonTest() {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    balloon.SetSize(10, 24);
    balloon.SetSpeaker("kit");
  }

  // What the balloon printed since the last call.
  std::string Printed() {
    std::string text = out.str();
    out.str("");
    return text;
  }

  std::ostringstream out;
  TTerminalBalloon balloon{out, true};
};

TEST_F(TerminalBalloonTest, GrowthPrintsOnlyTheNewLetters) {
  balloon.Show({"ab"});
  EXPECT_EQ(Printed(), std::string(kLabel) + "ab");
  balloon.Show({"abc"});
  EXPECT_EQ(Printed(), "c");
  balloon.Append("d");
  EXPECT_EQ(Printed(), "d");
  balloon.Show({"abcd", "", "x"});
  EXPECT_EQ(Printed(), std::string("\n") + kIndent + "\n" + kIndent + "x");
  balloon.Show({"abcd", "", "x"});
  EXPECT_EQ(Printed(), "");
}

TEST_F(TerminalBalloonTest, ErasingALetterRedrawsItsLine) {
  balloon.Show({"あいう"});
  Printed();
  balloon.Show({"あい"});
  // "kit: " and three wide letters fill 11 columns: the line wrapped once.
  EXPECT_EQ(Printed(), std::string("\r\x1b[1A\x1b[J") + kLabel + "あい");
}

struct TEraseCase {
  const char* Name;
  std::vector<std::string> Shown;
  std::vector<std::string> After;
  int RowsUp;  // rows from the cursor back to the start of the redrawn line
};

class BalloonEraseTest : public TerminalBalloonTest,
                         public ::testing::WithParamInterface<TEraseCase> {};

TEST_P(BalloonEraseTest, MovesBackOverTheWrappedRows) {
  const TEraseCase& erase = GetParam();
  balloon.Show(erase.Shown);
  Printed();
  balloon.Show(erase.After);
  std::string expected = "\r";
  if (erase.RowsUp > 0) expected += "\x1b[" + std::to_string(erase.RowsUp) + "A";
  expected += "\x1b[J";
  const size_t redrawn = erase.After.size() - 1;
  expected += (redrawn == 0 ? std::string(kLabel) : std::string(kIndent)) + erase.After.back();
  EXPECT_EQ(Printed(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Wrapping, BalloonEraseTest,
    ::testing::Values(
        // 5 + 5 columns exactly fill the row: the cursor waits in the last column, same row.
        TEraseCase{"PendingWrapStaysOnItsRow", {"abcde"}, {"abcd"}, 0},
        TEraseCase{"LineBreakErasedOneRowUp", {"ああ", "b"}, {"ああ"}, 1},
        // The third wide letter does not fit in column 10 and wraps whole.
        TEraseCase{"WideLetterWrapsWhole", {"あああ", "b"}, {"あああ"}, 2},
        TEraseCase{"LineBreakErasedAfterAWrappedLine", {"abcdefghij", ""}, {"abcdefghij"}, 2},
        TEraseCase{"WaitMarkOnTheThirdLine", {"a", "b", "c▼"}, {"a", "b", "c"}, 0}),
    [](const ::testing::TestParamInfo<TEraseCase>& info) { return info.param.Name; });

TEST_F(TerminalBalloonTest, AnyOtherChangeStartsANewBlockBelow) {
  balloon.Show({"one", "two"});
  Printed();
  // What CLEAR leaves: the old lines gone, the next letter on the same line number.
  balloon.Show({"", "t"});
  EXPECT_EQ(Printed(), std::string("\n") + kLabel + "\n" + kIndent + "t");
}

TEST_F(TerminalBalloonTest, LineScrolledOffTheScreenIsNotReachedBack) {
  balloon.SetSize(10, 3);
  balloon.Show({"a", "", "", "", "b"});
  Printed();
  balloon.Show({"a"});
  EXPECT_EQ(Printed(), std::string("\n") + kLabel + "a");
}

// Output into a pipe: what a reply with two waits leaves in it, each step printing only what is
// new. Erasures (Enter taking a wait mark away) print nothing; a cleared balloon still starts a
// new block.
TEST_F(TerminalBalloonTest, WithoutCursorControlNothingIsPrintedTwice) {
  std::ostringstream plain;
  TTerminalBalloon stream(plain, false);
  stream.SetSpeaker("kit");
  struct TStep {
    std::vector<std::string> Lines;
    const char* Printed;
  };
  const TStep steps[] = {
      {{"one"}, "kit: one"},
      {{"one▼"}, "▼"},
      {{"one"}, ""},  // the wait is over
      {{"one", "two"}, "\n     two"},
      {{"one", "two▼"}, "▼"},
      {{"one", "two"}, ""},
      {{"one"}, ""},  // a line break taken back
      {{"one", "three"}, "\n     three"},
      {{"", "x"}, "\nkit: \n     x"},  // CLEAR
  };
  for (const TStep& step : steps) {
    plain.str("");
    stream.Show(step.Lines);
    EXPECT_EQ(plain.str(), step.Printed) << step.Lines.back();
  }
}

TEST_F(TerminalBalloonTest, EndFinishesTheLineOnceAndTheNextTextStartsAgain) {
  balloon.Show({"hi"});
  balloon.End();
  balloon.End();
  balloon.Append("x");
  EXPECT_EQ(Printed(), std::string(kLabel) + "hi\n" + kLabel + "x");
}

TEST_F(TerminalBalloonTest, ControlCharactersFromRepliesNeverReachTheTerminal) {
  balloon.Show({"a\x1b[2Jb\x07"});
  balloon.Append(
      "\x9b"
      "\xc2\x9b"
      "c");  // CSI as an invalid byte and as a UTF-8 letter
  EXPECT_EQ(Printed(), std::string(kLabel) + "a?[2Jb???c");
}

TEST(DisplayWidthTest, CountsColumnsAsATerminalDoes) {
  std::setlocale(LC_CTYPE, "C.UTF-8");
  struct TCase {
    const char* Text;
    int Columns;
  };
  for (const TCase& c : {TCase{"abc", 3}, TCase{"あいう", 6}, TCase{"ｱｲｳ", 3}, TCase{"ＡＢ", 4},
                         TCase{"e\xcc\x81", 1},
                         TCase{"\xff"
                               "a",
                               2},
                         TCase{"▼", 1}, TCase{"漢字かな", 8}}) {
    EXPECT_EQ(DisplayWidth(c.Text), c.Columns) << c.Text;
  }
}

}  // namespace
}  // namespace kelmo
