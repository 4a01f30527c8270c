// What a second start's request does to the running conversation: a path switches as the
// selection would, "--say" speaks as the user once the character has finished talking, and a
// conversation that is inside a dialog or closing takes nothing.
#include <gtest/gtest.h>

#include "charfile/ini_file.h"
#include "controller_fixture.h"
#include "engine/character.h"

namespace kelmo {
namespace {

using testing::ControllerTest;
using testing::kAnyReadCharacter;
using testing::WriteCharacter;

class HandOverTest : public ControllerTest {
 protected:
  void SetUp() override {
    bob = WriteCharacter(home, "bob", "Bob", {{"KCCalled", "I am Bob"}});
    alice = WriteCharacter(home, "alice", "Alice",
                           {{kAnyReadCharacter, "Bye"}, {"", "You said {OPERATEMESSAGE}"}});
    ASSERT_TRUE(Start(alice));
    // After her greeting, the user's turn.
    TypeAll();
    controller->PressEnter();
    ASSERT_EQ(controller->State(), stUserInput);
    observer.replies.clear();
  }

  std::string alice, bob;
};

TEST_F(HandOverTest, APathSwitchesAsTheSelectionWouldAndComesFirstInTheList) {
  const THandOverAnswer answer = controller->TakeHandOver({bob, std::nullopt, ""});
  EXPECT_EQ(answer.Status, THandOverStatus::Done);
  EXPECT_EQ(view.calls.back(), "activate");
  ASSERT_EQ(observer.replies.size(), 1u);
  EXPECT_EQ(observer.replies[0].Event, TReplyEvent::Farewell);
  EXPECT_EQ(observer.replies[0].Line, "ReadCharacter:" + bob);
  TypeAll();
  EXPECT_EQ(controller->Character()->Name, "Bob");
  controller->Shutdown();
  const TIniFile ini(home.Path() + "Kelmo.ini");
  EXPECT_EQ(ini.ReadString("Character", "Char1", ""), bob);
  EXPECT_EQ(ini.ReadString("Character", "Char2", ""), alice);
}

// A start that was told its switch is under way exits as if it happened: a later start's path
// must not replace it while the farewell is typed, and is taken again once the switch is done.
TEST_F(HandOverTest, ASwitchUnderWayIsNotReplacedByALaterOne) {
  THandOverRequest first;
  first.Character = WriteCharacter(home, "carol", "Carol", {{"", "Hm"}});
  THandOverRequest later;
  later.Character = bob;
  ASSERT_EQ(controller->TakeHandOver(first).Status, THandOverStatus::Done);
  ASSERT_EQ(controller->State(), stTyping);
  const THandOverAnswer refused = controller->TakeHandOver(later);
  EXPECT_EQ(refused.Status, THandOverStatus::Busy);
  EXPECT_FALSE(refused.Message.empty());
  TypeAll();
  EXPECT_EQ(controller->Character()->Name, "Carol");
  controller->PressEnter();
  ASSERT_EQ(controller->State(), stUserInput);
  EXPECT_EQ(controller->TakeHandOver(later).Status, THandOverStatus::Done);
  TypeAll();
  EXPECT_EQ(controller->Character()->Name, "Bob");
}

TEST_F(HandOverTest, AFileThatIsNoCharacterIsRefusedAndChangesNothing) {
  const std::string text = home.Write("notes.klc", "just a note\r\n");
  const THandOverAnswer answer = controller->TakeHandOver({text, std::nullopt, ""});
  EXPECT_EQ(answer.Status, THandOverStatus::Refused);
  EXPECT_NE(answer.Message.find(text), std::string::npos);
  EXPECT_TRUE(observer.replies.empty());
  EXPECT_EQ(controller->State(), stUserInput);
  EXPECT_EQ(controller->Character()->Name, "Alice");
}

TEST_F(HandOverTest, SayingIsTakenAsTheUsersLineAfterWhatTheUserTyped) {
  view.balloon = "Well, ";
  EXPECT_EQ(controller->TakeHandOver({"", "hello", ""}).Status, THandOverStatus::Done);
  ASSERT_EQ(observer.replies.size(), 1u);
  EXPECT_EQ(observer.replies[0].Event, TReplyEvent::Reply);
  EXPECT_EQ(observer.replies[0].Line, "Well, hello");
  EXPECT_EQ(observer.replies[0].Reply, "You said WELL, HELLO");  // normalised
  EXPECT_EQ(view.calls.back(), "activate");
}

// The states a request can meet.
enum class TReach { Typing, ReplyDone, InDialog, Closed };

// A request made while the conversation is in some state, and how it must be answered.
struct TStateCase {
  const char* Name;
  TReach Reach;
  bool Say;  // "--say" (else a path)
  THandOverStatus Expected;
};
void PrintTo(const TStateCase& test, std::ostream* out) {
  *out << test.Name;
}

class HandOverStateTest : public HandOverTest, public ::testing::WithParamInterface<TStateCase> {
 protected:
  // The request, made once the case's state is reached; inside a dialog when the case opens one.
  THandOverAnswer Request() {
    const THandOverRequest request =
        GetParam().Say ? THandOverRequest{"", "hi", "", ""} : THandOverRequest{bob, std::nullopt, "", ""};
    std::optional<THandOverAnswer> answer;
    view.editSettings = [&](TConfigDialogData&) {
      answer = controller->TakeHandOver(request);
      return false;
    };
    switch (GetParam().Reach) {
      case TReach::ReplyDone:
      case TReach::Typing:
        view.balloon = "first";
        controller->PressEnter();
        if (GetParam().Reach == TReach::ReplyDone) TypeAll();
        break;
      case TReach::InDialog:
        controller->MenuConfigureClick();
        break;
      case TReach::Closed:
        controller->RequestClose();
        break;
    }
    if (!answer) answer = controller->TakeHandOver(request);
    return *answer;
  }
};

TEST_P(HandOverStateTest, IsAnsweredByTheConversationsState) {
  const size_t repliesBefore = observer.replies.size();
  const THandOverAnswer answer = Request();
  EXPECT_EQ(answer.Status, GetParam().Expected) << answer.Message;
  if (answer.Status == THandOverStatus::Done) return;
  EXPECT_FALSE(answer.Message.empty());
  // Nothing of the request happened.
  for (size_t i = repliesBefore; i < observer.replies.size(); ++i) {
    EXPECT_NE(observer.replies[i].Line, "hi");
    EXPECT_NE(observer.replies[i].Event, TReplyEvent::Farewell);
  }
}

INSTANTIATE_TEST_SUITE_P(
    States, HandOverStateTest,
    ::testing::Values(
        TStateCase{"SayWhileTyping", TReach::Typing, true, THandOverStatus::Busy},
        TStateCase{"SayAfterTheReply", TReach::ReplyDone, true, THandOverStatus::Done},
        TStateCase{"SayInADialog", TReach::InDialog, true, THandOverStatus::Busy},
        TStateCase{"SayAfterClosing", TReach::Closed, true, THandOverStatus::Closing},
        TStateCase{"PathWhileTyping", TReach::Typing, false, THandOverStatus::Done},
        TStateCase{"PathInADialog", TReach::InDialog, false, THandOverStatus::Busy},
        TStateCase{"PathAfterClosing", TReach::Closed, false, THandOverStatus::Closing}),
    [](const ::testing::TestParamInfo<TStateCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace kelmo
