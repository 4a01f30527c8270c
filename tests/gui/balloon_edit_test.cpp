// The balloon edit on its own: a reply typed letter by letter looks and reads exactly as the same
// text set at once, while the paragraph being typed is held one line per block (so that a letter
// lays out its line alone), through width and font changes and the user's turn.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <functional>
#include <ostream>
#include <string>

#include "gui/balloon_edit.h"

namespace kelmo::testing {
namespace {

constexpr QSize kBalloonSize(270, 160);

// Types text (lines separated by LF) as the controller does, and returns the text it shows: the
// first letter of a line sets the whole text, each line ending in CR LF; the others are appended
// to the last line. changeHalfway (when given) runs once half the letters are typed, afterLetter
// (when given) after each.
std::string Type(TBalloonEdit& balloon, const std::string& text,
                 const std::function<void()>& changeHalfway = nullptr,
                 const std::function<void()>& afterLetter = nullptr) {
  const QString letters = QString::fromStdString(text);
  QStringList lines;
  bool lineStarted = false;
  const auto shown = [&] { return (lines.join("\r\n") + "\r\n").toStdString(); };
  for (qsizetype i = 0; i < letters.size(); ++i) {
    if (i == letters.size() / 2 && changeHalfway) changeHalfway();
    if (letters[i] == u'\n') {
      if (!lineStarted) lines.append("");
      lineStarted = false;
    } else if (!lineStarted) {
      lines.append(letters[i]);
      lineStarted = true;
      balloon.SetText(shown());
    } else {
      lines.back() += letters[i];
      balloon.AppendToLastLine(QString(letters[i]).toStdString());
    }
    if (afterLetter) afterLetter();
  }
  return shown();
}

// Lines of the block laid out on the screen.
int LinesOf(const QTextBlock& block) {
  block.document()->documentLayout()->blockBoundingRect(block);
  return block.layout()->lineCount();
}

struct TTypingCase {
  const char* Name;
  std::string Text;
  // Done to both balloons halfway (before the same letter).
  std::function<void(TBalloonEdit&)> Change;
};

// The case's name, for test listings.
void PrintTo(const TTypingCase& c, std::ostream* out) {
  *out << c.Name;
}

class TypingTest : public ::testing::TestWithParam<TTypingCase> {
 protected:
  TypingTest() {
    for (TBalloonEdit* balloon : {&typed, &set}) {
      balloon->resize(kBalloonSize);
      balloon->show();
    }
    typed.setReadOnly(true);
  }

  TBalloonEdit typed;
  TBalloonEdit set;  // editable: its paragraphs stay whole
};

TEST_P(TypingTest, TypedReplyLooksAndReadsAsTheTextSetAtOnce) {
  const TTypingCase& c = GetParam();
  int linesLaidOut = 0;  // the most lines the caret's block held after a letter
  const auto change = [&](TBalloonEdit& balloon) {
    if (c.Change) c.Change(balloon);
  };
  const std::string expected = Type(
      typed, c.Text, [&] { change(typed); },
      [&] { linesLaidOut = std::max(linesLaidOut, LinesOf(typed.textCursor().block())); });
  change(set);
  set.SetText(expected);
  QApplication::processEvents();

  EXPECT_EQ(typed.Text(), expected);
  EXPECT_EQ(typed.grab().toImage(), set.grab().toImage());
  EXPECT_EQ(linesLaidOut, 1);
}

const std::string kJapanese =
    "灯りの精は、聞かせてもらった好きなものを集めています。「ほんとう？」と聞くと、"
    "うなずいて、また集めに行きました。";

INSTANTIATE_TEST_SUITE_P(
    Replies, TypingTest,
    ::testing::Values(
        TTypingCase{"JapaneseParagraph", kJapanese + kJapanese + kJapanese, nullptr},
        TTypingCase{"WordsWrapAtSpaces",
                    "The quick brown fox jumps over the lazy dog, and then it runs away again. "
                    "Nobody saw where it went, but everybody knew it would be back tomorrow.",
                    nullptr},
        TTypingCase{"OverlongWordBreaksAnywhere", std::string(400, 'w'), nullptr},
        TTypingCase{"SeveralParagraphs", kJapanese + "\n\n" + kJapanese + "\nend\n", nullptr},
        TTypingCase{"ScrollBarAppearsAndNarrowsTheLines",
                    kJapanese + kJapanese + kJapanese + kJapanese + kJapanese + kJapanese, nullptr},
        TTypingCase{"NarrowerHalfway", kJapanese + kJapanese,
                    [](TBalloonEdit& balloon) { balloon.resize(180, 160); }},
        TTypingCase{"WiderHalfway", kJapanese + kJapanese,
                    [](TBalloonEdit& balloon) { balloon.resize(330, 160); }},
        TTypingCase{"LargerFontHalfway", kJapanese + kJapanese,
                    [](TBalloonEdit& balloon) {
                      QFont font = balloon.font();
                      font.setPointSize(font.pointSize() + 4);
                      balloon.setFont(font);
                    }}),
    [](const ::testing::TestParamInfo<TTypingCase>& info) { return info.param.Name; });

TEST(BalloonEditTest, EditableBalloonHoldsWholeParagraphs) {
  TBalloonEdit balloon;
  balloon.resize(kBalloonSize);
  balloon.show();
  balloon.setReadOnly(true);
  Type(balloon, kJapanese);
  ASSERT_GT(balloon.document()->blockCount(), 2);
  balloon.setReadOnly(false);
  EXPECT_EQ(balloon.document()->blockCount(), 2);  // the paragraph and the empty last line
  EXPECT_EQ(balloon.Text(), kJapanese + "\r\n");
  // What the user types goes into the paragraph as it is.
  balloon.AppendToLastLine("あ");
  EXPECT_EQ(balloon.document()->blockCount(), 2);
  EXPECT_EQ(balloon.Text(), kJapanese + "あ\r\n");
}

TEST(BalloonEditTest, LongTextShownAtOnceLooksAsInTheEditableBalloon) {
  std::string reply = "a";
  for (int i = 0; i < 60; ++i) reply += kJapanese;  // beyond one piece of the insertion
  std::string replaced = kJapanese + "\n" + reply;
  TBalloonEdit shown;
  TBalloonEdit set;
  for (TBalloonEdit* balloon : {&shown, &set}) {
    balloon->resize(kBalloonSize);
    balloon->show();
  }
  shown.setReadOnly(true);
  shown.SetText("a");  // continued by the reply, then replaced by text that does not continue it
  for (const std::string& text : {reply, replaced}) {
    shown.SetText(text);
    set.SetText(text);
    QApplication::processEvents();
    EXPECT_EQ(shown.Text(), text == reply ? reply : kJapanese + "\r\n" + reply);
    EXPECT_EQ(shown.grab().toImage(), set.grab().toImage());
    EXPECT_EQ(LinesOf(shown.textCursor().block()), 1);
  }
}

TEST(BalloonEditTest, NewTextThatDoesNotContinueTheShownOneReplacesIt) {
  TBalloonEdit balloon;
  balloon.resize(kBalloonSize);
  balloon.setReadOnly(true);
  Type(balloon, kJapanese + "\n");
  balloon.SetText("ab\r\n");  // the controller erased letters
  EXPECT_EQ(balloon.Text(), "ab\r\n");
  balloon.AppendToLastLine("c");
  EXPECT_EQ(balloon.Text(), "abc\r\n");
  EXPECT_EQ(balloon.textCursor().position(), 3);
}

}  // namespace
}  // namespace kelmo::testing
