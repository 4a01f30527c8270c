// The terminal view, the slash commands and the terminal dialogs driven with the real controller,
// a clock the test moves and a scripted user at the prompts: what the terminal shows of the typed
// replies, and what the menu commands do to the conversation, the list and the settings.
#include "tty/terminal_view.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <memory>
#include <sstream>

#include "../shell/test_characters.h"
#include "charfile/date_time.h"
#include "shell/chat_controller.h"
#include "shell/headless_drive.h"
#include "tty/slash_commands.h"
#include "tty_fixture.h"

namespace kelmo::testing {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

// No reply in these tests needs more ticks than this.
constexpr int kTickLimit = 100000;

// The speaker label as the view prints it with cursor control.
std::string Label(const std::string& name) {
  return "\x1b[1m" + name + "\x1b[0m: ";
}

class TerminalViewTest : public ::testing::Test {
 protected:
  TerminalViewTest() {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    TryEncodeDateTime(TDateTimeParts{2024, 5, 6, 7, 8, 9}, now);
  }

  ~TerminalViewTest() override {
    if (controller != nullptr) controller->Shutdown();
  }

  // kit answers the system words and the test's words; rin is the second character.
  std::string WriteKit(std::vector<TAnswer> answers = {},
                       const std::vector<std::string>& extraLines = {}) {
    answers.push_back({"KCCalled", "hello"});
    answers.push_back({"CloseWindow", "bye"});
    answers.push_back({kAnyReadCharacter, "see you"});
    answers.push_back({"InvalidCharacter", "cannot"});
    answers.push_back({"", "what?"});
    return WriteCharacter(home, "kit", "kit", answers, extraLines);
  }
  std::string WriteRin() {
    return WriteCharacter(home, "rin", "rin", {{"KCCalled", "rin here"}, {"", "rin says"}});
  }

  bool Start(const std::string& path) {
    view = std::make_unique<TTerminalView>(out, input, true);
    TControllerOptions options;
    options.AppDir = home.Path();
    options.Clock = [this] { return now; };
    controller = std::make_unique<TChatController>(*view, options);
    drive = std::make_unique<THeadlessDrive>(
        *controller, view.get(), TTypingPace::Ticks, kTickLimit,
        THeadlessInputs{
            .TypeUserLine = [this](const std::string& line) { view->SetUserLine(line); }});
    return controller->Start(path);
  }

  void TypeAll() { ASSERT_TRUE(drive->FinishReply()) << "typing does not end"; }

  // What the front end does with a line entered at the prompt.
  void Enter(const std::string& line) {
    const TTypedLine typed = ClassifyTypedLine(line);
    if (!typed.IsCommand) {
      ASSERT_TRUE(drive->Say(typed.Text)) << "not the user's turn";
      return;
    }
    ASSERT_TRUE(drive->ReachUserTurn()) << "not the user's turn";
    RunSlashCommand(typed.Text, *controller, *view, input);
  }

  // Everything printed since the last call.
  std::string Printed() {
    std::string text = out.str();
    out.str("");
    return text;
  }

  TempFolder home;
  TDateTime now = 0;
  std::ostringstream out;
  TScriptedInput input;
  std::unique_ptr<TTerminalView> view;
  std::unique_ptr<TChatController> controller;
  std::unique_ptr<THeadlessDrive> drive;  // the controller's observer, passing on to view
};

TEST_F(TerminalViewTest, GreetingIsTypedLetterByLetterAfterTheName) {
  WriteSettings(home);
  ASSERT_TRUE(Start(WriteKit()));
  EXPECT_EQ(Printed(), "");
  for (int i = 0; i < 3; ++i) controller->TimerTimer();
  EXPECT_EQ(Printed(), Label("kit") + "hel");
  controller->TimerTimer();
  EXPECT_EQ(Printed(), "l");
  TypeAll();
  EXPECT_EQ(Printed(), "o");
  EXPECT_EQ(controller->State(), stReplyDone);
}

TEST_F(TerminalViewTest, EnterFastForwardsToTheWaitAndTheNextEnterRemovesItsMark) {
  WriteSettings(home);
  ASSERT_TRUE(Start(WriteKit({{"wait", "one{BR}two{WAITRETURN}three"}})));
  Enter("wait");
  Printed();
  controller->PressEnter();  // fast-forward up to the wait
  EXPECT_EQ(Printed(), Label("kit") + "one\n     two▼");
  controller->PressEnter();  // the wait ends; its mark is erased on the second line
  EXPECT_EQ(Printed(), "\r\x1b[J     two");
  controller->PressEnter();
  EXPECT_EQ(Printed(), "three");
  EXPECT_EQ(controller->State(), stReplyDone);
}

TEST_F(TerminalViewTest, EachReplyStartsOnItsOwnLineBelowTheLast) {
  WriteSettings(home);
  ASSERT_TRUE(Start(WriteKit({{"again", "once more"}})));
  Enter("again");
  TypeAll();
  EXPECT_EQ(Printed(), Label("kit") + "hello\n" + Label("kit") + "once more");
}

TEST_F(TerminalViewTest, BackspaceRedrawsTheLineWithoutTheDoubleWidthLetter) {
  WriteSettings(home);
  ASSERT_TRUE(Start(WriteKit({{"erase", "あい{^H}う"}})));
  Enter("erase");
  Printed();
  TypeAll();
  EXPECT_EQ(Printed(), Label("kit") + "あい\r\x1b[J" + Label("kit") + "あう");
}

TEST_F(TerminalViewTest, ControlCharactersInAReplyAreShownAsQuestionMarks) {
  WriteSettings(home);
  ASSERT_TRUE(Start(WriteKit({{"escape", "a\x1b[2Jb"}})));
  Enter("escape");
  TypeAll();
  const std::string printed = Printed();
  EXPECT_THAT(printed, HasSubstr("a?[2Jb"));
  EXPECT_THAT(printed, Not(HasSubstr("\x1b[2J")));
}

TEST_F(TerminalViewTest, TimedTalkFiresWhileTheUserIsIdleAtThePrompt) {
  WriteSettings(home);
  ASSERT_TRUE(Start(WriteKit({{"later", "ok{TIMER30|ping}"}, {"ping", "pong"}})));
  Enter("later");
  TypeAll();
  controller->PressEnter();
  ASSERT_EQ(controller->State(), stUserInput);
  Printed();
  controller->TimerTimer();
  EXPECT_EQ(controller->State(), stUserInput);  // not due yet
  now += 31.0 / 86400;
  controller->TimerTimer();
  TypeAll();
  EXPECT_EQ(Printed(), Label("kit") + "pong");
}

TEST_F(TerminalViewTest, TimerWithAColonArmsNothing) {
  WriteSettings(home);
  ASSERT_TRUE(Start(WriteKit({{"later", "ok{TIMER:30|ping}"}})));
  Enter("later");
  TypeAll();
  EXPECT_FALSE(controller->TimerArmed());
}

TEST_F(TerminalViewTest, TimedTalkTakesTheHalfTypedLineAsTheUsersWords) {
  WriteSettings(home);
  ASSERT_TRUE(Start(WriteKit({{"later", "ok{TIMER30|ping}"}, {"ping", "pong"}})));
  Enter("later");
  TypeAll();
  controller->PressEnter();
  input.edited = "half typed";
  now += 31.0 / 86400;
  controller->TimerTimer();
  input.edited.reset();
  EXPECT_THAT(ReadUtf8(home, "dorrinkelmo.log"), HasSubstr("\r\nhalf typed\r\n"));
}

TEST_F(TerminalViewTest, PetListsTheActionsAndSendsTheChosenOne) {
  WriteSettings(home);
  home.Write("kit/nade.txt", Utf8ToShiftJis("なでる,なでなで\r\nつつく,つんつん\r\n"));
  ASSERT_TRUE(Start(WriteKit({{"なでなで", "くすぐったい"}, {"つんつん", "いたい"}},
                             {"nadenade", "true", "datanadenade", "nade.txt"})));
  input.answers = {"1"};
  Enter("/pet");
  TypeAll();
  const std::string printed = Printed();
  EXPECT_THAT(printed, HasSubstr("なでなでめにゅー\n  1  なでる\n  2  つつく\n"));
  EXPECT_THAT(printed, EndsWith(Label("kit") + "くすぐったい"));

  Enter("/pet 2");
  TypeAll();
  EXPECT_THAT(Printed(), EndsWith(Label("kit") + "いたい"));
}

TEST_F(TerminalViewTest, PetOutsideTheUsersTurnOrWithoutMenuSendsNothing) {
  WriteSettings(home);
  ASSERT_TRUE(Start(WriteKit()));
  // The greeting is still being typed.
  RunSlashCommand("/pet 1", *controller, *view, input);
  EXPECT_THAT(Printed(), HasSubstr("なでなでは入力の番のときだけできます"));

  input.answers = {"1"};
  Enter("/pet");
  EXPECT_THAT(Printed(), HasSubstr("なでなで未対応人格"));
  EXPECT_EQ(input.answers.size(), 1u);  // an inert menu asks nothing
  EXPECT_EQ(controller->State(), stUserInput);
}

TEST_F(TerminalViewTest, SwitchChoosesByNumberAndTheFarewellPrecedesTheGreeting) {
  WriteSettings(home);
  const std::string kit = WriteKit();
  WriteRin();
  ASSERT_TRUE(Start(kit));
  Enter("/switch");  // no answers yet: the chooser reads the end of input and cancels
  const std::string listing = Printed();
  // The chooser lists the characters beside the program in directory order; find rin's number.
  const size_t rin = listing.find("rin  (");
  ASSERT_NE(rin, std::string::npos) << listing;
  const std::string number(1, listing[rin - 3]);

  input.answers = {"a " + home.Path() + "missing.klc", "9", number};
  Enter("/switch");
  TypeAll();
  const std::string printed = Printed();
  EXPECT_THAT(printed, HasSubstr("無効なファイルです"));
  EXPECT_THAT(printed, HasSubstr("人格を選択してください"));
  EXPECT_THAT(printed, EndsWith(Label("kit") + "see you\n" + Label("rin") + "rin here"));
  EXPECT_EQ(view->CharacterName(), "rin");
}

TEST_F(TerminalViewTest, SwitchCancelledAfterADeleteChangesNothingButTheScan) {
  WriteSettings(home);
  const std::string kit = WriteKit();
  WriteRin();
  ASSERT_TRUE(Start(kit));
  input.answers = {"d 1", "q"};
  Enter("/switch");
  EXPECT_EQ(controller->State(), stUserInput);
  EXPECT_EQ(view->CharacterName(), "kit");
  controller->Shutdown();
  const std::string settings = ReadUtf8(home, "Kelmo.ini");
  EXPECT_THAT(settings, HasSubstr("kit.klc"));
  EXPECT_THAT(settings, HasSubstr("rin.klc"));
}

TEST_F(TerminalViewTest, SettingsRefuseAnImpossibleBirthdayAndApplyTheRest) {
  WriteSettings(home);
  ASSERT_TRUE(Start(WriteKit()));
  input.answers = {"6", "2001/02/29", "ok", "6", "2000/02/29", "1", "佐藤", "8", "ok"};
  Enter("/settings");
  EXPECT_THAT(Printed(), HasSubstr("不正な日付です"));
  EXPECT_EQ(ShiftJisToUtf8(controller->UserProfile().Surname), "佐藤");
  const TDateTimeParts birthday = DecodeDateTime(controller->UserProfile().Birthday);
  EXPECT_EQ(birthday.Year, 2000);
  EXPECT_EQ(birthday.Month, 2);
  EXPECT_EQ(birthday.Day, 29);
  EXPECT_FALSE(controller->Settings().LogKeep);
  EXPECT_EQ(controller->State(), stUserInput);
}

TEST_F(TerminalViewTest, SettingsCancelledKeepEverything) {
  WriteSettings(home);
  ASSERT_TRUE(Start(WriteKit()));
  input.answers = {"7", "200", "5", ""};
  Enter("/settings");
  EXPECT_EQ(controller->TimerInterval(), 55);
  EXPECT_TRUE(controller->UserProfile().IsMale);
}

TEST_F(TerminalViewTest, FirstRunAsksForTheProfileUntilItIsComplete) {
  // No "Kelmo.ini": the profile is incomplete.
  input.answers = {"", "花子", "hana", "はなちゃん", "女", "2000/02/29", "佐藤"};
  ASSERT_TRUE(Start(WriteKit()));
  EXPECT_THAT(Printed(), HasSubstr("空欄があります"));
  EXPECT_TRUE(input.answers.empty());
  EXPECT_EQ(input.prompts.back(), "苗字> ");
  controller->Shutdown();
  EXPECT_THAT(ReadUtf8(home, "Kelmo.ini"),
              HasSubstr("User=佐藤{BR}花子{BR}hana{BR}はなちゃん{BR}"));
  EXPECT_FALSE(controller->UserProfile().IsMale);
}

TEST_F(TerminalViewTest, QuitShowsTheClosingWordsAsTheCharactersLastBalloon) {
  WriteSettings(home);
  ASSERT_TRUE(Start(WriteKit()));
  TypeAll();
  Printed();
  Enter("/quit");
  EXPECT_EQ(Printed(), "\n" + Label("kit") + "bye\n");
  EXPECT_TRUE(view->Closed());
}

TEST_F(TerminalViewTest, AboutHelpAndUnknownCommandsPrintTheirTexts) {
  WriteSettings(home);
  ASSERT_TRUE(Start(WriteKit()));
  Enter("/about");
  const std::string about = Printed();
  EXPECT_THAT(about, HasSubstr("DorrinKelmoについて"));
  EXPECT_THAT(about, HasSubstr("汎用人工知能会話ソフト DorrinKelmo"));
  EXPECT_THAT(about, HasSubstr("人格について\nkit\nbrought up by"));
  Enter("/help");
  EXPECT_THAT(Printed(), HasSubstr("/switch"));
  Enter("/dance");
  EXPECT_THAT(Printed(), HasSubstr("知らないコマンドです (/help で一覧): /dance"));
  EXPECT_EQ(controller->State(), stUserInput);
}

TEST_F(TerminalViewTest, DoubleSlashSaysTheLineWithOneSlash) {
  WriteSettings(home);
  ASSERT_TRUE(Start(WriteKit({{"/path", "a path"}})));
  Enter("//path");
  TypeAll();
  EXPECT_THAT(Printed(), EndsWith(Label("kit") + "a path"));
}

}  // namespace
}  // namespace kelmo::testing
