// Every road by which the character changes: the selection (menu and CHANGECHARACTER), the
// READCHARACTER: command, a user line beginning "ReadCharacter:", and failed switches.
#include <gtest/gtest.h>

#include "charfile/ini_file.h"
#include "controller_fixture.h"
#include "engine/character.h"

namespace kelmo {
namespace {

using testing::ControllerTest;
using testing::kAnyReadCharacter;
using testing::TAnswer;
using testing::WriteCharacter;

const char kStamp[] = "## 2024/05/06 07:08:09 ";

class SwitchingTest : public ControllerTest {
 protected:
  void SetUp() override {
    bob = WriteCharacter(home, "bob", "Bob", {{"KCCalled", "I am Bob"}});
    broken = home.Write("broken.klc", "name\r\nBroken\r\nversion\r\n210\r\n");
  }

  // Alice, who says goodbye to switch requests and answers failures.
  void StartAlice(std::vector<TAnswer> more = {}) {
    more.push_back({kAnyReadCharacter, "Bye"});
    more.push_back({"InvalidCharacter", "Cannot go"});
    alice = WriteCharacter(home, "alice", "Alice", more);
    ASSERT_TRUE(Start(alice));
  }

  // The selection dialog chooses the row whose path is path.
  void Choose(const std::string& path) {
    view.chooseCharacter = [path](TCharacterSelection& selection) {
      for (size_t i = 0; i < selection.Rows().size(); ++i) {
        if (selection.Rows()[i].Path == path) return selection.Confirm(static_cast<int>(i)).empty();
      }
      selection.Cancel();
      return false;
    };
  }

  std::vector<TReplyEvent> Events() const {
    std::vector<TReplyEvent> events;
    for (const auto& reply : observer.replies) events.push_back(reply.Event);
    return events;
  }

  std::string alice, bob, broken;
};

TEST_F(SwitchingTest, MenuChoiceTypesTheFarewellThenSwitchesAndGreets) {
  StartAlice();
  Choose(bob);
  controller->MenuChangeCharacterClick();
  EXPECT_EQ(view.statesInDialogs.back(), stSuspended);
  ASSERT_EQ(controller->State(), stTyping);
  EXPECT_EQ(observer.replies.back().Event, TReplyEvent::Farewell);
  EXPECT_EQ(observer.replies.back().Line, "ReadCharacter:" + bob);
  TypeAll();
  EXPECT_EQ(controller->Character()->Name, "Bob");
  EXPECT_EQ(view.caption, "Bob - DorrinKelmo");
  EXPECT_EQ(view.balloon, "I am Bob\r\n");
  EXPECT_EQ(Events(), (std::vector<TReplyEvent>{TReplyEvent::Farewell, TReplyEvent::Greeting}));
  EXPECT_EQ(observer.replies[0].Shown, std::vector<std::string>{"Bye"});
  ASSERT_EQ(observer.replies[0].Commands.size(), 1u);
  EXPECT_TRUE(observer.replies[0].Commands[0].starts_with("{READCHARACTER:/"));

  const std::vector<std::string> log = ChatLog();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[log.size() - 4], "Bye");
  EXPECT_EQ(log[log.size() - 3], std::string(kStamp) + "# End chatting with Alice");
  EXPECT_EQ(log[log.size() - 2], std::string(kStamp) + "# Start chatting with Bob");
  EXPECT_EQ(log.back(), "I am Bob");

  controller->Shutdown();
  const TIniFile ini(home.Path() + "Kelmo.ini");
  EXPECT_EQ(ini.ReadString("Character", "Char1", ""), bob);
}

TEST_F(SwitchingTest, FarewellWithoutAnswerIsTheSwitchCommandAlone) {
  alice = WriteCharacter(home, "alice", "Alice", {{"x", "y"}});
  ASSERT_TRUE(Start(alice));
  Choose(bob);
  controller->MenuChangeCharacterClick();
  EXPECT_TRUE(observer.replies.back().Reply.starts_with("{READCHARACTER:"));
  TypeAll();
  EXPECT_EQ(controller->Character()->Name, "Bob");
}

TEST_F(SwitchingTest, ChoosingTheLoadedCharacterStillSaysGoodbyeAndGreets) {
  StartAlice({{"KCCalled", "Alice here"}});
  TypeAll();
  Choose(alice);
  controller->MenuChangeCharacterClick();
  TypeAll();
  EXPECT_EQ(controller->Character()->Name, "Alice");
  EXPECT_EQ(Events(), (std::vector<TReplyEvent>{TReplyEvent::Greeting, TReplyEvent::Farewell,
                                                TReplyEvent::Greeting}));
}

TEST_F(SwitchingTest, ReloadingTheLoadedCharacterKeepsWhatItRemembered) {
  StartAlice({{"remember", "{MEMO50:kept}{COUNT51:7}noted"}, {"recall", "{MEMO50}{COUNT51}"}});
  TypeAll();
  Say("remember");
  TypeAll();
  Choose(alice);
  controller->MenuChangeCharacterClick();
  TypeAll();
  ASSERT_EQ(controller->Character()->Name, "Alice");
  EXPECT_EQ(controller->Character()->Memo[50], "kept");
  EXPECT_EQ(controller->Character()->Counter[51], 7);
}

TEST_F(SwitchingTest, CancelledSelectionChangesNothing) {
  StartAlice();
  controller->MenuChangeCharacterClick();
  EXPECT_EQ(controller->State(), stUserInput);
  EXPECT_TRUE(observer.replies.empty());
}

TEST_F(SwitchingTest, FailedLoadKeepsTheOldCharacterWhoAnswersInvalidCharacter) {
  StartAlice();
  Choose(broken);
  controller->MenuChangeCharacterClick();
  TypeAll();
  EXPECT_EQ(controller->Character()->Name, "Alice");
  EXPECT_EQ(view.caption, "Alice - DorrinKelmo");
  EXPECT_TRUE(view.visible);
  EXPECT_EQ(view.balloon, "Cannot go\r\n");
  EXPECT_EQ(Events(), (std::vector<TReplyEvent>{TReplyEvent::Farewell, TReplyEvent::Invalid}));
  EXPECT_EQ(observer.replies.back().Line, "InvalidCharacter");
}

TEST_F(SwitchingTest, ReadCharacterToAMissingFileLetsTheOldCharacterAnswer) {
  StartAlice({{"go", "off{READCHARACTER:/no/such/file.klc}never"}});
  Say("go");
  TypeAll();
  EXPECT_EQ(controller->Character()->Name, "Alice");
  EXPECT_EQ(view.balloon, "Cannot go\r\n");
  EXPECT_EQ(observer.replies[0].Shown, std::vector<std::string>{"off"});
}

TEST_F(SwitchingTest, UserLineBeginningWithReadCharacterSwitchesToo) {
  StartAlice();
  Say("readcharacter:" + bob);
  EXPECT_EQ(observer.replies.back().Event, TReplyEvent::Reply);
  TypeAll();
  EXPECT_EQ(controller->Character()->Name, "Bob");
}

TEST_F(SwitchingTest, ChangeCharacterCommandDropsTheRestAndTypesTheFarewellFromItsStart) {
  StartAlice({{"go", "abc{CHANGECHARACTER}def"}});
  Choose(bob);
  Say("go");
  TypeAll();
  EXPECT_EQ(controller->Character()->Name, "Bob");
  ASSERT_GE(observer.replies.size(), 3u);
  EXPECT_EQ(observer.replies[0].Shown, std::vector<std::string>{"abc"});
  EXPECT_EQ(observer.replies[1].Event, TReplyEvent::Farewell);
  EXPECT_EQ(observer.replies[1].Shown, std::vector<std::string>{"Bye"});
  EXPECT_EQ(view.balloon, "I am Bob\r\n");
}

TEST_F(SwitchingTest, CancelledChangeCharacterCommandGoesOnTyping) {
  StartAlice({{"go", "abc{CHANGECHARACTER}def"}});
  Say("go");
  TypeAll();
  EXPECT_EQ(view.selections, 1);
  EXPECT_EQ(controller->Character()->Name, "Alice");
  EXPECT_EQ(view.balloon, "abcdef\r\n");
}

TEST_F(SwitchingTest, TimedTalkAfterASwitchWithoutGreetingIsTypedFromItsStart) {
  const std::string carol = WriteCharacter(home, "carol", "Carol", {{"later", "from Carol"}});
  StartAlice({{"go", "x{TIMER5|later}{READCHARACTER:" + carol + "}y"}});
  Say("go");
  TypeAll();
  ASSERT_EQ(controller->Character()->Name, "Carol");
  EXPECT_EQ(controller->State(), stUserInput);
  now += 6 / 86400.0;
  controller->TimerTimer();
  TypeAll();
  EXPECT_EQ(view.balloon, "from Carol\r\n");
}

TEST_F(SwitchingTest, SwitchSavesTheSettingsBetweenTheTwoCharacters) {
  StartAlice({{"go", "{SPEEDFAST}{READCHARACTER:" + bob + "}"}});
  Say("go");
  TypeAll();
  EXPECT_EQ(TIniFile(home.Path() + "Kelmo.ini").ReadInteger("Balloon", "Speed", 0), 66);
  EXPECT_EQ(controller->TimerInterval(), 66);  // read back by the load
}

}  // namespace
}  // namespace kelmo
