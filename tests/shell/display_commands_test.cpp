// Typed output and every display command, driven through the controller with a real character
// whose dictionary answers "go" with the reply under test.
#include <gtest/gtest.h>

#include <filesystem>

#include "charfile/ini_file.h"
#include "controller_fixture.h"

namespace kelmo {
namespace {

using testing::ControllerTest;
using testing::TAnswer;
using testing::WriteCharacter;

class DisplayCommandTest : public ControllerTest {
 protected:
  // Starts a character that has no greeting and answers "go" with reply (and the extra answers).
  void StartWithReply(const std::string& reply, std::vector<TAnswer> more = {}) {
    more.push_back({"go", reply});
    ASSERT_TRUE(Start(WriteCharacter(home, "typist", "Typist", more)));
    ASSERT_EQ(controller->State(), stUserInput);
    Say("go");
    ASSERT_EQ(controller->State(), stTyping);
  }

  const testing::TRecordingObserver::TReply& LastReply() const { return observer.replies.back(); }
};

struct TypingCase {
  const char* name;
  const char* reply;
  std::vector<std::string> shown;  // the balloon's lines at the end
  int ticks;                       // ticks until the reply is done
};
void PrintTo(const TypingCase& test, std::ostream* out) {
  *out << test.name;
}

class TypedOutputTest : public DisplayCommandTest,
                        public ::testing::WithParamInterface<TypingCase> {};

TEST_P(TypedOutputTest, ShowsTheLinesInTheTicks) {
  const TypingCase& c = GetParam();
  StartWithReply(c.reply);
  EXPECT_EQ(TypeAll(), c.ticks);
  EXPECT_EQ(controller->State(), stReplyDone);
  EXPECT_EQ(LastReply().Shown, c.shown);
  EXPECT_TRUE(view.readOnly);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, TypedOutputTest,
    ::testing::Values(
        TypingCase{"Plain", "abc", {"abc"}, 3},
        TypingCase{"DoubleByteLettersOnePerTick", "こんにちは", {"こんにちは"}, 5},
        TypingCase{"LineBreakShowsNothing", "a{BR}b", {"a", "b"}, 3},
        TypingCase{"DelayPausesExactlyItsTicks", "{DELAY:10}x", {"x"}, 1 + 10 + 1},
        TypingCase{"EllipsisPausesThree", "{...}x", {"x"}, 1 + 3 + 1},
        TypingCase{"DelayWithoutNumberDoesNothing", "{DELAY:x}y", {"y"}, 2},
        TypingCase{"NegativeDelayDoesNothing", "{DELAY:-4}y", {"y"}, 2},
        TypingCase{"DollarShowsItsTextOnceInOneTick", "{$:abc}d", {"abcd"}, 2},
        TypingCase{"DollarDropsLineBreaksAndRunsNothing", "{$:a{BR}b}", {"ab"}, 1},
        TypingCase{"BackspaceErasesTheLastLetter", "ab{^H}c", {"ac"}, 4},
        TypingCase{"BackspaceErasesADoubleByteLetterWhole", "あい{^H}", {"あ"}, 3},
        TypingCase{"BackspaceAfterLineBreakReturnsToThePreviousLine", "a{BR}{^H}b", {"ab"}, 4},
        TypingCase{"BackspaceOnEmptyBalloonDoesNothing", "{^H}a", {"a"}, 2},
        TypingCase{"UnknownCommandDisappears", "{HELLO}x", {"x"}, 2},
        TypingCase{"ClearEmptiesTheLines", "ab{CLEAR}c", {"c"}, 4},
        TypingCase{"ClearKeepsTheLineNumber", "a{BR}b{CLEAR}c", {"", "c"}, 5},
        TypingCase{"CommandsAreNormalised", "{ｄｅｌａｙ:2}x", {"x"}, 1 + 2 + 1},
        TypingCase{"EmptyReplyEndsAtTheNextTick", "", {}, 1}),
    [](const ::testing::TestParamInfo<TypingCase>& info) { return info.param.name; });

TEST_F(DisplayCommandTest, OneCharacterPerTickThenEndRespondAndLog) {
  StartWithReply("xyz");
  controller->TimerTimer();
  EXPECT_EQ(view.balloon, "x\r\n");
  controller->TimerTimer();
  EXPECT_EQ(view.balloon, "xy\r\n");
  EXPECT_EQ(controller->State(), stTyping);
  controller->TimerTimer();
  EXPECT_EQ(view.balloon, "xyz\r\n");
  EXPECT_EQ(controller->State(), stReplyDone);
  // The letters after the first were appended, not redrawn.
  EXPECT_EQ(view.appends, 2);
  EXPECT_EQ(ChatLog().back(), "xyz");
}

TEST_F(DisplayCommandTest, ClearLogsWhatTheBalloonShowedAndTheNextLetterRedraws) {
  StartWithReply("ab{CLEAR}c");
  controller->TimerTimer();
  controller->TimerTimer();
  controller->TimerTimer();
  EXPECT_EQ(ChatLog().back(), "ab");
  EXPECT_EQ(view.balloon, "ab\r\n");  // unchanged until the next letter
  controller->TimerTimer();
  EXPECT_EQ(view.balloon, "c\r\n");
  EXPECT_EQ(ChatLog().back(), "c");
}

TEST_F(DisplayCommandTest, CommandsAreReportedAsWrittenInOrder) {
  StartWithReply("{DELAY:1}a{HELLO}{pic:{x}b.bmp}{$:q}");
  TypeAll();
  EXPECT_EQ(LastReply().Commands,
            (std::vector<std::string>{"{DELAY:1}", "?{HELLO}", "{pic:{x}b.bmp}", "{$:q}"}));
}

TEST_F(DisplayCommandTest, WaitReturnShowsTheMarkAndStopsUntilEnter) {
  StartWithReply("a{WAITRETURN}b");
  TypeAll();
  EXPECT_TRUE(controller->WaitingForReturn());
  EXPECT_EQ(view.balloon, "a▼\r\n");
  controller->TimerTimer();
  controller->TimerTimer();
  EXPECT_EQ(view.balloon, "a▼\r\n");
  controller->PressEnter();
  EXPECT_FALSE(controller->WaitingForReturn());
  EXPECT_EQ(view.balloon, "a\r\n");
  TypeAll();
  EXPECT_EQ(view.balloon, "ab\r\n");
}

TEST_F(DisplayCommandTest, WaitReturnWithItsOwnMark) {
  StartWithReply("{WAITRETURN:#}x");
  TypeAll();
  EXPECT_EQ(view.balloon, "#\r\n");
  controller->PressEnter();
  TypeAll();
  EXPECT_EQ(view.balloon, "x\r\n");
}

TEST_F(DisplayCommandTest, EnterFastForwardsUpToTheNextWait) {
  StartWithReply("one{DELAY:50}two{WAITRETURN}three");
  controller->TimerTimer();
  controller->PressEnter();
  EXPECT_EQ(view.balloon, "onetwo▼\r\n");
  EXPECT_EQ(controller->State(), stTyping);
  controller->PressEnter();  // ends the wait
  controller->PressEnter();  // shows the rest
  EXPECT_EQ(view.balloon, "onetwothree\r\n");
  EXPECT_EQ(controller->State(), stReplyDone);
}

TEST_F(DisplayCommandTest, TrailingWaitDoesNotHoldUpTheNextReply) {
  StartWithReply("a{WAITRETURN}", {{"next", "b"}});
  TypeAll();
  EXPECT_EQ(controller->State(), stReplyDone);
  Say("next");
  EXPECT_EQ(TypeAll(), 1);
  EXPECT_EQ(view.balloon, "b\r\n");
}

TEST_F(DisplayCommandTest, TimerArmsATimedTalkThatFiresWhenDue) {
  StartWithReply("{TIMER30|Later}ok", {{"later", "I am back"}});
  TypeAll();
  ASSERT_TRUE(controller->TimerArmed());
  EXPECT_DOUBLE_EQ(controller->TimerDue(), now + 30 / 86400.0);
  EXPECT_EQ(controller->TimerWord(), "Later");
  controller->PressEnter();  // the user's turn
  view.balloon = "half typed";

  now += 29 / 86400.0;
  controller->TimerTimer();
  EXPECT_EQ(controller->State(), stUserInput);
  now += 2 / 86400.0;
  controller->TimerTimer();
  EXPECT_FALSE(controller->TimerArmed());
  EXPECT_EQ(controller->State(), stTyping);
  EXPECT_EQ(LastReply().Event, TReplyEvent::TimedTalk);
  EXPECT_EQ(LastReply().Line, "Later");
  TypeAll();
  EXPECT_EQ(view.balloon, "I am back\r\n");
  EXPECT_NE(std::find(view.calls.begin(), view.calls.end(), "activate"), view.calls.end());
}

TEST_F(DisplayCommandTest, TimedTalkWithoutAnswerReturnsToThePreviousState) {
  StartWithReply("{TIMER1|nobody answers this}");
  TypeAll();
  controller->PressEnter();
  now += 2 / 86400.0;
  controller->TimerTimer();
  EXPECT_FALSE(controller->TimerArmed());
  EXPECT_EQ(controller->State(), stUserInput);
}

TEST_F(DisplayCommandTest, TimerWithColonOrZeroSecondsArmsNothing) {
  for (const char* reply : {"{TIMER:30|x}", "{TIMER0|x}", "{TIMER|x}", "{TIMERx|y}"}) {
    StartWithReply(reply);
    TypeAll();
    EXPECT_FALSE(controller->TimerArmed()) << reply;
    controller->Shutdown();
  }
}

TEST_F(DisplayCommandTest, CancelTimerDisarms) {
  StartWithReply("{TIMER30|x}{CANCELTIMER}");
  TypeAll();
  EXPECT_FALSE(controller->TimerArmed());
}

TEST_F(DisplayCommandTest, SpeedAndFontRoundHalfToEvenAndReachTheFile) {
  StartWithReply("{SPEEDFAST}{FONTBIG}", {{"slower", "{SPEEDSLOW}{SPEEDSLOW}{FONTSMALL}"}});
  TypeAll();
  EXPECT_EQ(controller->TimerInterval(), 66);
  EXPECT_EQ(controller->Settings().FontSize, 11);
  EXPECT_EQ(view.fontSize, 11);
  Say("slower");
  TypeAll();
  EXPECT_EQ(controller->TimerInterval(), 46);     // 66 -> 55 -> 45.83
  EXPECT_EQ(controller->Settings().FontSize, 9);  // 11 * 5 / 6 = 9.17
  controller->Shutdown();
  const TIniFile ini(home.Path() + "Kelmo.ini");
  EXPECT_EQ(ini.ReadInteger("Balloon", "Speed", 0), 46);
  EXPECT_EQ(ini.ReadInteger("Balloon", "FontSize", 0), 9);
}

TEST_F(DisplayCommandTest, HalfwayResultsGoToTheEvenNeighbour) {
  // 15 * 5 / 6 = 12.5 -> 12; 21 * 5 / 6 = 17.5 -> 18.
  home.Write("Kelmo.ini", home.Read("Kelmo.ini") + "[Balloon]\r\nSpeed=15\r\nFontSize=21\r\n");
  StartWithReply("{SPEEDSLOW}{FONTSMALL}");
  TypeAll();
  EXPECT_EQ(controller->TimerInterval(), 12);
  EXPECT_EQ(controller->Settings().FontSize, 18);
}

// 150 steps one way would reach the end of int; the commands stop at the dialog's ranges, and so
// does what reaches the file.
TEST_F(DisplayCommandTest, SpeedAndFontStopAtTheEndsOfTheirRanges) {
  std::string grow;
  std::string shrink;
  for (int i = 0; i < 150; ++i) {
    grow += "{SPEEDFAST}{FONTBIG}";
    shrink += "{SPEEDSLOW}{FONTSMALL}";
  }
  StartWithReply(grow, {{"shrink", shrink}});
  TypeAll();
  EXPECT_EQ(controller->TimerInterval(), kMaxSpeed);
  EXPECT_EQ(view.fontSize, kMaxFontSize);
  Say("shrink");
  TypeAll();
  EXPECT_EQ(controller->TimerInterval(), 2);  // 2 * 5 / 6 rounds back to 2
  EXPECT_EQ(view.fontSize, kMinFontSize);
  controller->Shutdown();
  const TIniFile ini(home.Path() + "Kelmo.ini");
  EXPECT_EQ(ini.ReadInteger("Balloon", "FontSize", 0), kMinFontSize);
}

TEST_F(DisplayCommandTest, SkipReplacesTheReplyAndLogsWhatWasShown) {
  StartWithReply("before{SKIP:Other}never", {{"other", "after"}});
  TypeAll();
  EXPECT_EQ(view.balloon, "after\r\n");
  ASSERT_GE(observer.replies.size(), 2u);
  EXPECT_EQ(LastReply().Event, TReplyEvent::Skip);
  EXPECT_EQ(LastReply().Line, "Other");
  EXPECT_EQ(observer.replies[observer.replies.size() - 2].Shown,
            std::vector<std::string>{"before"});
  const std::vector<std::string> log = ChatLog();
  EXPECT_EQ(log[log.size() - 2], "before");
  EXPECT_EQ(log.back(), "after");
}

// Enter shows the rest of a long reply in one update of the balloon, not one per letter (a view
// that lays its text out again for each would take minutes).
TEST_F(DisplayCommandTest, FastForwardShowsTheRestAtOnce) {
  std::string reply;
  for (int i = 0; i < 2000; ++i) reply += "line{BR}";
  StartWithReply(reply + "end{WAITRETURN}more");
  controller->TimerTimer();
  const int updatesBefore = view.appends + view.balloonSets;
  controller->PressEnter();
  EXPECT_TRUE(controller->WaitingForReturn());
  EXPECT_LE(view.appends + view.balloonSets - updatesBefore, 1);
  EXPECT_TRUE(view.balloon.ends_with("line\r\nend▼\r\n"));
  controller->PressEnter();  // ends the wait
  controller->PressEnter();  // the rest
  EXPECT_EQ(controller->State(), stReplyDone);
  EXPECT_TRUE(view.balloon.ends_with("line\r\nendmore\r\n"));
  EXPECT_EQ(LastReply().Shown.size(), 2001u);
}

TEST_F(DisplayCommandTest, SkipsThatNeverEndDoNotHangTheEnterKey) {
  StartWithReply("{SKIP:ping}", {{"ping", "x{SKIP:pong}"}, {"pong", "y{SKIP:ping}"}});
  controller->PressEnter();  // fast-forward gives up after a bounded number of replies
  EXPECT_EQ(controller->State(), stTyping);
}

TEST_F(DisplayCommandTest, SoundsPlayFromTheCharacterFolder) {
  home.Write("typist/ring.wav", "RIFF");
  StartWithReply("{SOUNDA:ring.wav}{SOUNDS:ring.wav}{SOUNDS:gone.wav}{SOUNDX:ring.wav}");
  TypeAll();
  ASSERT_EQ(view.sounds.size(), 2u);
  EXPECT_EQ(view.sounds[0], "async " + home.Path() + "typist/ring.wav");
  EXPECT_EQ(view.sounds[1], "wait " + home.Path() + "typist/ring.wav");
}

TEST_F(DisplayCommandTest, SoundsStaySilentWhenTheSettingSaysSo) {
  home.Write("Kelmo.ini", home.Read("Kelmo.ini") + "[Main]\r\nPlaySound=0\r\n");
  home.Write("typist/ring.wav", "RIFF");
  StartWithReply("{SOUNDA:ring.wav}{SOUNDS:ring.wav}");
  TypeAll();
  EXPECT_TRUE(view.sounds.empty());
}

TEST_F(DisplayCommandTest, PicturesLoadFromTheCharacterFolderAndMissingOnesAreLogged) {
  home.Write("typist/smile.bmp", "BM");
  StartWithReply("{pic:{x}smile.bmp}{SETDEFBITMAP:smile.bmp}{PIC:none.bmp}");
  view.pictures.clear();
  TypeAll();
  ASSERT_EQ(view.pictures.size(), 2u);
  EXPECT_EQ(view.pictures[0].Slot, TPictureSlot::Shown);
  EXPECT_EQ(view.pictures[0].Path, home.Path() + "typist/smile.bmp");
  EXPECT_EQ(view.pictures[1].Slot, TPictureSlot::Default);
  EXPECT_NE(home.Read("KelmoErr.log").find("typist/none.bmp is not exists.'"), std::string::npos);
}

TEST_F(DisplayCommandTest, UndecodablePictureIsLoggedAsInvalid) {
  home.Write("typist/bad.png", "junk");
  view.pictureDecodes = false;
  StartWithReply("{PIC:bad.png}");
  TypeAll();
  EXPECT_NE(home.Read("KelmoErr.log").find("typist/bad.png is invalid bitmap.'"),
            std::string::npos);
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(DisplayCommandTest, IconizeTogglesTheWindowAndShowWindowBringsItBack) {
  StartWithReply("{ICONIZE}", {{"show", "{SHOWWINDOW}"}});
  ASSERT_TRUE(view.visible);
  TypeAll();
  EXPECT_FALSE(view.visible);
  Say("show");
  TypeAll();
  EXPECT_TRUE(view.visible);
}

TEST_F(DisplayCommandTest, QuitSystemLogsTheBalloonAndRunsTheClosingTalk) {
  StartWithReply("bye{QUITSYSTEM}never", {{"CloseWindow", "See you{PIC:x.bmp}"}});
  TypeAll();
  EXPECT_EQ(view.closes, 1);
  EXPECT_TRUE(controller->IsClosed());
  EXPECT_EQ(view.messages, std::vector<std::string>{"See you"});
  const std::vector<std::string> log = ChatLog();
  EXPECT_EQ(log[log.size() - 2], "bye");
  EXPECT_EQ(log.back(), "See you");
  EXPECT_EQ(view.balloon, "bye\r\n");
}

// The macro evaluator drops an unclosed group, so the reply comes from a plug-in that rewrites
// the text about to be typed.
TEST_F(DisplayCommandTest, UnclosedBraceTakesTheRestOfTheReply) {
  std::filesystem::create_directories(home.Path() + "plugins");
  std::filesystem::copy_file(KELMO_RESPOND_PLUGIN, home.Path() + "plugins/respond");
  home.Write("Plugins.txt", "respond\r\n");
  home.Write("Kelmo.ini", home.Read("Kelmo.ini") + "[Main]\r\nPlugin=1\r\n");
  home.Write("plugins/respond.reply", "ab{PIC:x}y{HELLO there");
  StartWithReply("anything");
  EXPECT_EQ(TypeAll(), 5);
  EXPECT_EQ(controller->State(), stReplyDone);
  EXPECT_EQ(view.balloon, "aby\r\n");
  EXPECT_EQ(LastReply().Commands, (std::vector<std::string>{"{PIC:x}", "?{HELLO there"}));
}

TEST_F(DisplayCommandTest, OneMegabyteLineIsEchoedWithoutTrouble) {
  ASSERT_TRUE(Start(WriteCharacter(home, "echo", "Echo", {{"KCCalled", ""}, {"", "{PREV}"}})));
  const std::string line(1000000, 'a');
  Say(line);
  controller->PressEnter();  // fast-forward
  EXPECT_EQ(controller->State(), stReplyDone);
  EXPECT_EQ(view.balloon, line + "\r\n");
  EXPECT_EQ(ChatLog().back(), line);
}

}  // namespace
}  // namespace kelmo
