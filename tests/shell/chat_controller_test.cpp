// The controller's state machine, start-up and shut-down, logs, settings, the closing talk, the
// petting action, the dialogs and the plug-in events, with real characters.
#include "shell/chat_controller.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "charfile/character_list.h"
#include "charfile/ini_file.h"
#include "controller_fixture.h"
#include "engine/character.h"

namespace kelmo {
namespace {

using testing::ControllerTest;
using testing::TAnswer;
using testing::WriteCharacter;

const char kStamp[] = "## 2024/05/06 07:08:09 ";

class ChatControllerTest : public ControllerTest {
 protected:
  std::string Alice(std::vector<TAnswer> more = {}) {
    more.push_back({"KCCalled", "Hello"});
    more.push_back({"", "I see."});
    return WriteCharacter(home, "alice", "Alice", more);
  }
};

TEST_F(ChatControllerTest, LoadingShowsSplashNameAndGreetingInOrder) {
  ASSERT_TRUE(Start(Alice()));
  EXPECT_EQ(view.caption, "Alice - DorrinKelmo");
  EXPECT_EQ(view.trayTip, "Alice - DorrinKelmo");
  EXPECT_EQ(view.characterFolder, home.Path() + "alice/");
  EXPECT_TRUE(view.visible);
  const std::vector<std::string> splash = {"splash 起動中...",
                                           "splash Plug-in を読み込んでいます...", "splash closed"};
  std::vector<std::string> seen;
  for (const std::string& call : view.calls) {
    if (call.starts_with("splash")) seen.push_back(call);
  }
  EXPECT_EQ(seen, splash);
  EXPECT_EQ(controller->State(), stTyping);
  EXPECT_TRUE(view.readOnly);
  EXPECT_EQ(observer.replies.front().Event, TReplyEvent::Greeting);
  EXPECT_EQ(observer.replies.front().Line, "KCCalled");
  EXPECT_EQ(TypeAll(), 5);
  EXPECT_EQ(view.balloon, "Hello\r\n");
  EXPECT_EQ(controller->State(), stReplyDone);
}

TEST_F(ChatControllerTest, CharacterWithoutGreetingStartsInTheUsersTurn) {
  ASSERT_TRUE(Start(WriteCharacter(home, "quiet", "Quiet", {{"x", "y"}})));
  EXPECT_EQ(controller->State(), stUserInput);
  EXPECT_FALSE(view.readOnly);
  EXPECT_TRUE(observer.replies.empty());
}

TEST_F(ChatControllerTest, EnterWalksThroughTheStates) {
  ASSERT_TRUE(Start(Alice({{"hi", "Hi there"}})));
  TypeAll();
  controller->PressEnter();
  EXPECT_EQ(controller->State(), stUserInput);
  EXPECT_EQ(view.balloon, "");
  EXPECT_FALSE(view.readOnly);

  view.balloon = "h\r\ni";  // several lines are joined, nothing inserted
  controller->PressEnter();
  EXPECT_EQ(controller->State(), stTyping);
  EXPECT_EQ(view.balloon, "");
  EXPECT_EQ(observer.replies.back().Event, TReplyEvent::Reply);
  EXPECT_EQ(observer.replies.back().Line, "hi");
  EXPECT_EQ(observer.replies.back().Reply, "Hi there");
  TypeAll();
  EXPECT_EQ(view.balloon, "Hi there\r\n");
  EXPECT_EQ(ChatLog(),
            (std::vector<std::string>{std::string(kStamp) + "# Start chatting with Alice", "Hello",
                                      "hi", "Hi there"}));
}

TEST_F(ChatControllerTest, EmptyLineIsThoughtAboutToo) {
  ASSERT_TRUE(Start(Alice()));
  Say("");
  EXPECT_EQ(controller->State(), stTyping);
  TypeAll();
  EXPECT_EQ(view.balloon, "I see.\r\n");
}

TEST_F(ChatControllerTest, EachReplyStartsFromTheDefaultPicture) {
  ASSERT_TRUE(Start(Alice()));
  view.calls.clear();
  Say("anything");
  EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "default picture"), 1);
}

TEST_F(ChatControllerTest, ShutDownLogsTheEndAndSavesEverything) {
  ASSERT_TRUE(Start(Alice()));
  TypeAll();
  view.position = TWindowPosition{120, 340};
  controller->Shutdown();
  EXPECT_EQ(ChatLog().back(), std::string(kStamp) + "# End chatting with Alice");
  const TIniFile ini(home.Path() + "Kelmo.ini");
  EXPECT_EQ(ini.ReadInteger("Window", "Top", 0), 120);
  EXPECT_EQ(ini.ReadInteger("Window", "Left", 0), 340);
  EXPECT_EQ(ini.ReadString("Balloon", "Speed", ""), "55");
  EXPECT_EQ(ini.ReadString("User", "User", ""),
            "Yamada{BR}Taro{BR}taro{BR}tarochan{BR}{BR}1990/02/03");
  // The character saved its state file.
  EXPECT_TRUE(home.Exists("alice/alice.kls"));
  controller->Shutdown();  // a second time does nothing
  EXPECT_EQ(ChatLog().back(), std::string(kStamp) + "# End chatting with Alice");
}

TEST_F(ChatControllerTest, WindowWithoutPositionKeepsTheStoredOne) {
  home.Write("Kelmo.ini",
             home.Read("Kelmo.ini") + "[Window]\r\nTop=7\r\nLeft=8\r\nStayOnTop=1\r\n");
  ASSERT_TRUE(Start(Alice()));
  EXPECT_EQ(view.placed.Top, 7);
  EXPECT_EQ(view.placed.Left, 8);
  EXPECT_TRUE(view.stayOnTop);
  controller->MenuStayOnTopClick();
  EXPECT_FALSE(view.stayOnTop);
  controller->Shutdown();
  const TIniFile ini(home.Path() + "Kelmo.ini");
  EXPECT_EQ(ini.ReadInteger("Window", "Top", 0), 7);
  EXPECT_EQ(ini.ReadString("Window", "StayOnTop", ""), "0");
}

TEST_F(ChatControllerTest, LogOffWritesNoConversation) {
  home.Write("Kelmo.ini", home.Read("Kelmo.ini") + "[Log]\r\nKeep=0\r\n");
  ASSERT_TRUE(Start(Alice()));
  TypeAll();
  controller->Shutdown();
  EXPECT_FALSE(home.Exists("dorrinkelmo.log"));
}

TEST_F(ChatControllerTest, CommandLineArgumentWinsOverTheList) {
  const std::string bob = WriteCharacter(home, "bob", "Bob", {});
  home.Write("Kelmo.ini", home.Read("Kelmo.ini") + "[Character]\r\nChar1=" + bob + "\r\n");
  ASSERT_TRUE(Start(Alice()));
  EXPECT_EQ(controller->Character()->Name, "Alice");
}

TEST_F(ChatControllerTest, WithoutArgumentTheFirstListedCharacterStarts) {
  const std::string bob = WriteCharacter(home, "bob", "Bob", {});
  Alice();
  home.Write("Kelmo.ini", home.Read("Kelmo.ini") + "[Character]\r\nChar1=" + bob + "\r\n");
  ASSERT_TRUE(Start(""));
  EXPECT_EQ(controller->Character()->Name, "Bob");
  EXPECT_EQ(view.selections, 0);
}

TEST_F(ChatControllerTest, NothingToStartOpensTheSelectionAndCancelFailsTheStart) {
  EXPECT_FALSE(Start(""));
  EXPECT_EQ(view.selections, 1);
  EXPECT_EQ(view.statesInDialogs.back(), stSuspended);
  EXPECT_FALSE(view.visible);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0],
            "起動に失敗しました\r\n\r\n(エラーメッセージはKelmoErr.logに記録されます)");
  EXPECT_EQ(ShiftJisToUtf8(home.Read("KelmoErr.log")),
            std::string(kStamp).substr(0, 22) + " [Kelmo]: '起動に失敗しました'\r\n");
  EXPECT_EQ(controller->Character(), nullptr);
}

TEST_F(ChatControllerTest, SelectionAtStartUpCanRescueTheStart) {
  const std::string alice = Alice();
  view.chooseCharacter = [](TCharacterSelection& selection) {
    return selection.Confirm(0).empty();
  };
  ASSERT_TRUE(Start(home.Path() + "missing.klc"));
  EXPECT_EQ(controller->Character()->Name, "Alice");
  EXPECT_TRUE(view.messages.empty());
  controller->Shutdown();
  EXPECT_EQ(TIniFile(home.Path() + "Kelmo.ini").ReadString("Character", "Char1", ""), alice);
}

TEST_F(ChatControllerTest, ChosenCharacterThatFailsToLoadFailsTheStart) {
  home.Write("broken.klc", "name\r\nBroken\r\nversion\r\n210\r\n");  // no dictionaries
  view.chooseCharacter = [](TCharacterSelection& selection) {
    return selection.Confirm(0).empty();
  };
  EXPECT_FALSE(Start(""));
  EXPECT_EQ(view.messages.size(), 1u);
}

// The failed save is reported as every failed save is, then the failed start.
TEST_F(ChatControllerTest, UnwritableStateFileFailsTheLoadInsteadOfTheProgram) {
  const std::string alice = Alice();
  std::filesystem::create_directories(home.Path() + "alice/alice.kls/inside");
  EXPECT_FALSE(Start(alice));
  ASSERT_EQ(view.messages.size(), 2u);
  EXPECT_NE(view.messages[0].find("alice.kls"), std::string::npos) << view.messages[0];
  EXPECT_NE(view.messages[1].find("起動に失敗しました"), std::string::npos);
}

TEST_F(ChatControllerTest, FirstRunAsksForTheProfileWithEveryDefault) {
  std::filesystem::remove(home.Path() + "Kelmo.ini");
  TConfigDialogData shown;
  view.editSettings = [&](TConfigDialogData& data) {
    shown = data;
    data.Surname = "山田";
    data.GivenName = "花子";
    data.HandleName = "hana";
    data.Nickname = "hanachan";
    data.IsMale = false;
    data.BirthYear = 2000;
    data.BirthMonth = 2;
    data.BirthDay = 29;
    return true;
  };
  ASSERT_TRUE(Start(Alice()));
  EXPECT_EQ(view.settingsDialogs, 1);
  EXPECT_EQ(view.statesInDialogs.front(), stSuspended);
  EXPECT_EQ(shown.FontName, "ＭＳ ゴシック");
  EXPECT_EQ(shown.FontSize, 9);
  EXPECT_EQ(shown.Interval, 55);
  EXPECT_TRUE(shown.LogKeep);
  EXPECT_TRUE(shown.PlaySound);
  EXPECT_FALSE(shown.PluginsEnabled);
  EXPECT_FALSE(shown.AllowExecute);
  EXPECT_EQ(shown.Surname, "");
  EXPECT_EQ(view.placed.Top, -1);  // centred
  EXPECT_EQ(view.fontName, "ＭＳ ゴシック");
  EXPECT_EQ(controller->TimerInterval(), 55);
  EXPECT_EQ(controller->Character()->Profile.HandleName, "hana");
  controller->Shutdown();
  EXPECT_EQ(ShiftJisToUtf8(TIniFile(home.Path() + "Kelmo.ini").ReadString("User", "User", "")),
            "山田{BR}花子{BR}hana{BR}hanachan{BR}Female{BR}2000/02/29");
}

TEST_F(ChatControllerTest, CancelledProfileDialogDoesNotOverwriteTheStoredText) {
  home.Write("Kelmo.ini", "[User]\r\nUser=only{BR}five{BR}lines{BR}here{BR}\r\n");
  ASSERT_TRUE(Start(Alice()));
  EXPECT_EQ(view.settingsDialogs, 2);  // at start-up and again at the character load
  controller->Shutdown();
  EXPECT_EQ(TIniFile(home.Path() + "Kelmo.ini").ReadString("User", "User", ""),
            "only{BR}five{BR}lines{BR}here{BR}");
}

TEST_F(ChatControllerTest, ConfirmedSettingsApplyAndWriteTheSwitchesAtOnce) {
  ASSERT_TRUE(Start(Alice()));
  TypeAll();
  view.editSettings = [](TConfigDialogData& data) {
    EXPECT_EQ(data.Zoom, 100);
    data.Interval = 120;
    data.Zoom = 175;
    data.FontName = "Noto Sans CJK JP";
    data.FontSize = 14;
    data.AllowExecute = true;
    data.ExtensionChar = true;
    data.LogKeep = false;
    data.Nickname = "T";
    return true;
  };
  controller->MenuConfigureClick();
  EXPECT_EQ(controller->State(), stReplyDone);
  EXPECT_EQ(view.statesInDialogs.back(), stSuspended);
  EXPECT_EQ(controller->TimerInterval(), 120);
  EXPECT_EQ(view.fontSize, 14);
  EXPECT_EQ(view.zoom, 175);
  EXPECT_TRUE(controller->Character()->AllowExecute);
  EXPECT_EQ(controller->Character()->Profile.Nickname, "T");
  const TIniFile ini(home.Path() + "Kelmo.ini");
  EXPECT_EQ(ini.ReadString("Main", "AllowExecute", ""), "1");
  EXPECT_EQ(ini.ReadString("Main", "ExtensionChar", ""), "1");
  EXPECT_EQ(ini.ReadString("Main", "Plugin", ""), "0");
  EXPECT_EQ(ini.ReadString("Balloon", "Speed", ""), "55");  // the rest waits for the next save

  view.editSettings = [](TConfigDialogData& data) {
    data.Interval = 10000;  // out of range: ignored
    return true;
  };
  controller->MenuConfigureClick();
  EXPECT_EQ(controller->TimerInterval(), 120);
}

TEST_F(ChatControllerTest, AboutShowsTheCharactersEvaluatedComment) {
  ASSERT_TRUE(Start(WriteCharacter(home, "alice", "Alice", {{"x", "y"}},
                                   {"parents", "Me", "comment", "Line{BR}two {UNKNOWN}end", "url",
                                    "https://example.org/alice"})));
  controller->MenuAboutClick();
  EXPECT_EQ(view.statesInDialogs.back(), stSuspended);
  EXPECT_EQ(controller->State(), stUserInput);
  EXPECT_EQ(view.about.CharacterText, "Alice\r\nbrought up by Me\r\n\r\nLine\r\ntwo end");
  EXPECT_EQ(view.about.CharacterUrl, "https://example.org/alice");
  EXPECT_NE(view.about.ProgramText.find("ver1.1.1"), std::string::npos);
}

TEST_F(ChatControllerTest, ClosingWordsAreShownWithoutBracesAndLogged) {
  ASSERT_TRUE(Start(Alice({{"CloseWindow", "Bye{DELAY:3} now{WAITRETURN}"}})));
  controller->RequestClose();
  EXPECT_EQ(view.messages, std::vector<std::string>{"Bye now"});
  EXPECT_EQ(view.closes, 1);
  EXPECT_EQ(observer.replies.back().Event, TReplyEvent::Close);
  EXPECT_EQ(observer.replies.back().Shown, std::vector<std::string>{"Bye now"});
  controller->RequestClose();
  controller->PressEnter();
  controller->TimerTimer();
  EXPECT_EQ(view.closes, 1);
  controller->Shutdown();
  const std::vector<std::string> log = ChatLog();
  EXPECT_EQ(log[log.size() - 2], "Bye now");
  EXPECT_EQ(log.back(), std::string(kStamp) + "# End chatting with Alice");
}

TEST_F(ChatControllerTest, EmptyClosingWordsShowNoMessage) {
  ASSERT_TRUE(Start(WriteCharacter(home, "quiet", "Quiet", {{"x", "y"}})));
  controller->RequestClose();
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(view.closes, 1);
}

TEST_F(ChatControllerTest, SessionEndHidesInsteadOfClosing) {
  ASSERT_TRUE(Start(Alice()));
  controller->RequestClose(true);
  EXPECT_EQ(view.closes, 0);
  EXPECT_FALSE(view.visible);
}

TEST_F(ChatControllerTest, ClosingInTheMiddleOfAReplyEndsCleanly) {
  ASSERT_TRUE(Start(Alice({{"long", "a long reply that is cut off"}})));
  Say("long");
  controller->TimerTimer();
  controller->RequestClose();
  controller->Shutdown();
  EXPECT_EQ(ChatLog().back(), std::string(kStamp) + "# End chatting with Alice");
}

TEST_F(ChatControllerTest, PettingSendsTheActionAfterWhatTheUserTyped) {
  home.Write("alice/nade.txt", Utf8ToShiftJis("なでる,なでなで\r\n"));
  ASSERT_TRUE(Start(WriteCharacter(home, "alice", "Alice", {{"", "ok"}},
                                   {"nadenade", "True", "datanadenade", "nade.txt"})));
  EXPECT_EQ(view.pettingMenu, std::vector<std::string>{"なでる"});
  ASSERT_EQ(controller->State(), stTyping);  // the catch-all greets
  controller->NadenadeAction(0);
  EXPECT_EQ(observer.replies.size(), 1u);  // nothing while typing
  TypeAll();
  controller->PressEnter();
  view.balloon = "ねえ";
  controller->NadenadeAction(0);
  EXPECT_EQ(observer.replies.back().Line, "ねえなでなで");
  EXPECT_EQ(controller->State(), stTyping);
}

TEST_F(ChatControllerTest, InertPettingItemDoesNothing) {
  ASSERT_TRUE(Start(WriteCharacter(home, "quiet", "Quiet", {{"x", "y"}})));
  EXPECT_EQ(view.pettingMenu, std::vector<std::string>{"なでなで未対応人格"});
  controller->NadenadeAction(0);
  EXPECT_EQ(controller->State(), stUserInput);
}

TEST_F(ChatControllerTest, LongCaptionLeavesTheTrayTip) {
  const std::string longName(60, 'n');
  ASSERT_TRUE(Start(WriteCharacter(home, "quiet", longName, {{"x", "y"}})));
  EXPECT_EQ(view.caption, longName + " - DorrinKelmo");
  EXPECT_EQ(view.trayTip, "");
}

TEST_F(ChatControllerTest, DialogsFreezeTheConversation) {
  ASSERT_TRUE(Start(Alice({{"long", "abcdef"}})));
  TypeAll();
  Say("long");
  controller->TimerTimer();
  view.editSettings = [this](TConfigDialogData&) {
    controller->TimerTimer();
    controller->PressEnter();
    return false;
  };
  controller->MenuConfigureClick();
  EXPECT_EQ(controller->State(), stTyping);
  EXPECT_EQ(view.balloon, "a\r\n");
  TypeAll();
  EXPECT_EQ(view.balloon, "abcdef\r\n");
}

// ----- Plug-in events ---------------------------------------------------------------------------

class PluginEventTest : public ChatControllerTest {
 protected:
  void InstallPlugin(const std::string& append) {
    std::filesystem::create_directories(home.Path() + "plugins");
    std::filesystem::copy_file(KELMO_TEST_PLUGIN, home.Path() + "plugins/tester");
    std::filesystem::permissions(home.Path() + "plugins/tester", std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    home.Write("plugins/tester.json",
               R"({"info": ["Tester", "es", "short", "long"], "append": ")" + append + R"("})");
    home.Write("Plugins.txt", "tester\r\n");
  }

  // The events the plug-in objects received, as "event|text", in order.
  std::vector<std::string> Events() const {
    std::vector<std::string> events;
    std::ifstream record(home.Path() + "plugins/tester.record");
    for (std::string line; std::getline(record, line);) {
      const nlohmann::json entry = nlohmann::json::parse(line);
      if (entry["method"] != "OnKelmoEvent") continue;
      events.push_back(entry["params"][0].get<std::string>() + "|" +
                       entry["params"][1].get<std::string>());
    }
    return events;
  }
};

TEST_F(PluginEventTest, EventsCarryAndChangeTheTextsInOrder) {
  InstallPlugin("+");
  home.Write("Kelmo.ini", home.Read("Kelmo.ini") + "[Main]\r\nPlugin=1\r\n");
  const std::string alice = WriteCharacter(home, "alice", "A&B%", {{"KCCalled+", "Hi"}});
  ASSERT_TRUE(Start(alice));
  TypeAll();
  EXPECT_EQ(view.balloon, "Hi++\r\n");  // KE_EndThink and KE_BeginRespond each appended
  controller->Shutdown();

  const std::vector<std::string> events = Events();
  ASSERT_GE(events.size(), 2u);
  const std::string init = "charpath=" + alice + "&charname=A%26B%25";
  std::vector<std::string> expected = {
      // The extended object at start-up, then the basic object of the character.
      events[0],
      events[1],
      "KE_InitCharacter|" + init,
      "KE_InitCharacter|" + init + "+",
      "KE_BeginThink|KCCalled",
      "KE_EndThink|Hi",
      "KE_BeginRespond|Hi+",
      "KE_EndRespond|Hi++\r\n",
  };
  EXPECT_TRUE(events[0].starts_with("KE_Initialize|apppath="));
  EXPECT_TRUE(events[1].starts_with("KE_Initialize|apppath="));
  EXPECT_EQ(events, expected);
}

TEST_F(PluginEventTest, DisabledPluginsAreNeverStarted) {
  InstallPlugin("+");
  ASSERT_TRUE(Start(Alice()));
  TypeAll();
  controller->Shutdown();
  EXPECT_TRUE(Events().empty());
  EXPECT_EQ(view.balloon, "Hello\r\n");
}

// A front end's event loop may run inside a load (the splash, plug-ins, messages): every input
// that arrives then is refused, so nothing thinks in the middle of the load, and a close request
// is kept for the next tick.
TEST_F(ChatControllerTest, InputsArrivingDuringALoadAreRefused) {
  ASSERT_TRUE(Start(Alice({{"hi", "Hi{TIMER1|Later}"}, {"Later", "Later words"}})));
  Say("hi");
  TypeAll();
  ASSERT_TRUE(controller->TimerArmed());
  now += 2 / 86400.0;  // the timed talk is due
  const std::string bob = WriteCharacter(home, "bob", "Bob", {{"KCCalled", "Bob here"}});
  const size_t repliesBefore = observer.replies.size();
  std::vector<THandOverStatus> handOvers;
  view.duringSplash = [&] {
    EXPECT_TRUE(controller->Loading());
    EXPECT_FALSE(controller->MenuMayOpen());
    controller->TimerTimer();
    controller->PressEnter();
    controller->MenuAboutClick();
    controller->MenuConfigureClick();
    controller->MenuChangeCharacterClick();
    THandOverRequest request;
    request.Say = "hello";
    handOvers.push_back(controller->TakeHandOver(request).Status);
    controller->RequestClose();
  };
  ASSERT_TRUE(controller->LoadCharacter(Utf8ToShiftJis(bob)));
  view.duringSplash = nullptr;

  ASSERT_EQ(observer.replies.size(), repliesBefore + 1);  // only Bob's greeting
  EXPECT_EQ(observer.replies.back().Event, TReplyEvent::Greeting);
  EXPECT_EQ(view.selections + view.settingsDialogs, 0);
  EXPECT_TRUE(view.about.CharacterText.empty());
  EXPECT_TRUE(controller->TimerArmed());  // still due, for the first tick after the load
  EXPECT_EQ(handOvers, std::vector<THandOverStatus>(handOvers.size(), THandOverStatus::Busy));
  EXPECT_FALSE(handOvers.empty());
  EXPECT_FALSE(controller->Loading());
  EXPECT_EQ(view.closes, 0);
  controller->TimerTimer();  // the kept close request
  EXPECT_EQ(view.closes, 1);
}

TEST_F(ChatControllerTest, MenuOpensOnlyInTheUsersTurnOrAfterAReply) {
  ASSERT_TRUE(Start(Alice({{"long", "abcdef"}})));
  const auto mayOpen = [this] { return controller->MenuMayOpen(); };
  EXPECT_FALSE(mayOpen());  // the greeting is typed
  TypeAll();
  EXPECT_TRUE(mayOpen());  // stReplyDone
  controller->PressEnter();
  EXPECT_TRUE(mayOpen());  // stUserInput
  std::vector<bool> inDialog;
  view.editSettings = [&](TConfigDialogData&) {
    inDialog.push_back(mayOpen());
    return false;
  };
  controller->MenuConfigureClick();
  EXPECT_EQ(inDialog, std::vector<bool>{false});
  Say("long");
  EXPECT_FALSE(mayOpen());  // stTyping
}

}  // namespace
}  // namespace kelmo
