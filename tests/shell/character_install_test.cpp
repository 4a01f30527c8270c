// A package installed while the program runs: the questions asked before an update and after the
// install, the switch they lead to, the character in use reloaded when it was updated, refusals
// shown with their reason, and the selection dialog's package buttons (install, and removal to
// the trash, never of the character in use).
#include "shell/character_install.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "charfile/character_list.h"
#include "controller_fixture.h"
#include "engine/character.h"
#include "package/package_error.h"
#include "package/test_archives.h"
#include "support/scoped_environment.h"

namespace kelmo::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

// How the view answers: every question the same, or as the view that cannot ask.
enum class TAnswers { Yes, No, CannotAsk, YesToUpdateNoToSwitch };

class CharacterInstallTest : public ControllerTest {
 protected:
  void SetUp() override {
    running = WriteCharacter(home, "alice", "Alice", {{kAnyReadCharacter, "Bye"}});
    ASSERT_TRUE(Start(running));
    TypeAll();
  }

  // A package of the character "ki" answering HELLO with reply, written outside the program
  // folder; returns its path.
  std::string Package(const std::string& reply, const std::string& name = "package.klz") {
    return packages.Write(
        name, MakeArchive(CharacterEntries("ki", "キイ", "HELLO", reply), TArchiveFormat::Zip));
  }

  void Answer(TAnswers answers) {
    view.answer = [answers](const std::string& question) -> std::optional<bool> {
      switch (answers) {
        case TAnswers::Yes:
          return true;
        case TAnswers::No:
          return false;
        case TAnswers::CannotAsk:
          return std::nullopt;
        case TAnswers::YesToUpdateNoToSwitch:
          return question.find("更新しますか") != std::string::npos;
      }
      return std::nullopt;
    };
  }

  std::string Installed() const { return home.Path() + "ki.klc"; }

  bool Listed(const std::string& path) {
    for (const std::string& item : controller->CharacterList().Items) {
      if (ShiftJisToUtf8(item) == path) return true;
    }
    return false;
  }

  std::string running;
  TempFolder packages;
};

struct TInstallCase {
  const char* Name;
  bool InstalledBefore;
  TAnswers Answers;
  TPackageCode Code;
  bool Updated;
  bool Switches;
  size_t Questions;  // asked in all
  bool ShowsWhatWasInstalled;
};

class InstallQuestionTest : public CharacterInstallTest,
                            public ::testing::WithParamInterface<TInstallCase> {};

TEST_P(InstallQuestionTest, AsksBeforeAnUpdateAndOffersTheSwitch) {
  const TInstallCase& c = GetParam();
  if (c.InstalledBefore) {
    Answer(TAnswers::No);
    ASSERT_TRUE(controller->InstallCharacterPackage(Package("old")));
    view.questions.clear();
  }
  Answer(c.Answers);
  const std::optional<TInstallResult> result = controller->InstallCharacterPackage(Package("new"));
  ASSERT_TRUE(result);
  EXPECT_EQ(result->Code, c.Code) << result->Message;
  EXPECT_EQ(result->Updated, c.Updated);
  EXPECT_EQ(view.questions.size(), c.Questions);
  EXPECT_EQ(view.statesInDialogs, std::vector<TChatState>{}) << "no dialog but the questions";
  EXPECT_EQ(home.Read("ki/dict.txt").find("new") != std::string::npos, c.Code == TPackageCode::Ok);
  EXPECT_EQ(Listed(Installed()), c.InstalledBefore || c.Code == TPackageCode::Ok);
  if (c.ShowsWhatWasInstalled) {
    EXPECT_THAT(view.messages, Contains(InstalledText(*result)));
  } else {
    EXPECT_THAT(view.messages, IsEmpty());
  }
  if (!c.Switches) {
    EXPECT_EQ(controller->State(), stUserInput);
    return;
  }
  ASSERT_EQ(controller->State(), stTyping);
  EXPECT_EQ(observer.replies.back().Event, TReplyEvent::Farewell);
  TypeAll();
  EXPECT_EQ(controller->Character()->Name, Utf8ToShiftJis("キイ"));
}

constexpr TInstallCase kInstallCases[] = {
    {"NewCharacterSwitchedTo", false, TAnswers::Yes, TPackageCode::Ok, false, true, 1, false},
    {"NewCharacterKeptAside", false, TAnswers::No, TPackageCode::Ok, false, false, 1, false},
    {"UpdateDeclinedChangesNothing", true, TAnswers::No, TPackageCode::Cancelled, false, false, 1,
     false},
    {"UpdateAcceptedThenSwitchDeclined", true, TAnswers::YesToUpdateNoToSwitch, TPackageCode::Ok,
     true, false, 2, false},
    {"ViewThatCannotAskUpdatesAndShowsIt", true, TAnswers::CannotAsk, TPackageCode::Ok, true, false,
     2, true},
};
INSTANTIATE_TEST_SUITE_P(Cases, InstallQuestionTest, ::testing::ValuesIn(kInstallCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(CharacterInstallTest, UpdatingTheCharacterInUseReloadsItWithoutAsking) {
  Answer(TAnswers::No);
  ASSERT_TRUE(controller->InstallCharacterPackage(Package("old")));
  ASSERT_TRUE(controller->LoadCharacter(Utf8ToShiftJis(Installed())));
  TypeAll();
  Say("HELLO");
  TypeAll();
  EXPECT_EQ(view.balloon, "old\r\n");
  view.questions.clear();

  Answer(TAnswers::Yes);
  const std::optional<TInstallResult> result = controller->InstallCharacterPackage(Package("new"));
  ASSERT_TRUE(result);
  ASSERT_EQ(result->Code, TPackageCode::Ok);
  EXPECT_EQ(view.questions.size(), 1u) << "only the update is asked about";
  EXPECT_EQ(view.messages.back(), ReloadNotice(result->Characters.front()));
  ASSERT_EQ(controller->State(), stTyping);
  TypeAll();
  Say("HELLO");
  TypeAll();
  EXPECT_EQ(view.balloon, "new\r\n");
}

TEST_F(CharacterInstallTest, ARefusedPackageIsShownWithItsReasonAndInstallsNothing) {
  Answer(TAnswers::Yes);
  const std::string package =
      packages.Write("evil.klz", MakeArchive({{"../escape.klc", "x"}}, TArchiveFormat::Zip));
  const std::optional<TInstallResult> result = controller->InstallCharacterPackage(package);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->Code, TPackageCode::ParentReference);
  EXPECT_THAT(view.messages, ElementsAre(result->Message));
  EXPECT_THAT(view.questions, IsEmpty());
  EXPECT_EQ(controller->State(), stUserInput);
}

TEST_F(CharacterInstallTest, NothingIsInstalledWhileADialogIsOpen) {
  std::optional<TInstallResult> during = TInstallResult{};
  view.chooseCharacter = [&](TCharacterSelection& selection) {
    during = controller->InstallCharacterPackage(Package("new"));
    selection.Cancel();
    return false;
  };
  controller->MenuChangeCharacterClick();
  EXPECT_FALSE(during);
  EXPECT_FALSE(home.Exists("ki.klc"));
}

TEST_F(CharacterInstallTest, AHandedOverPackageIsAnsweredBeforeTheSwitchIsOffered) {
  Answer(TAnswers::Yes);
  THandOverRequest request;
  request.Package = Package("new");
  const THandOverAnswer answer = controller->TakeHandOver(request);
  EXPECT_EQ(answer.Status, THandOverStatus::Done);
  EXPECT_EQ(answer.Message, "インストールしました: キイ (" + Installed() + ")");
  EXPECT_THAT(view.questions, IsEmpty()) << "nothing asked before the answer";
  EXPECT_TRUE(Listed(Installed()));

  controller->TimerTimer();
  EXPECT_EQ(view.questions.size(), 1u);
  ASSERT_EQ(controller->State(), stTyping);
  TypeAll();
  EXPECT_EQ(controller->Character()->Name, Utf8ToShiftJis("キイ"));
}

TEST_F(CharacterInstallTest, TheFollowUpOfAHandedOverPackageWaitsForAnOpenDialog) {
  Answer(TAnswers::No);
  THandOverRequest request;
  request.Package = Package("new");
  ASSERT_EQ(controller->TakeHandOver(request).Status, THandOverStatus::Done);
  view.chooseCharacter = [&](TCharacterSelection& selection) {
    controller->TimerTimer();  // a tick from the dialog's event loop
    EXPECT_THAT(view.questions, IsEmpty());
    selection.Cancel();
    return false;
  };
  controller->MenuChangeCharacterClick();
  controller->TimerTimer();
  EXPECT_THAT(view.questions,
              ElementsAre(SwitchQuestion(TInstallResult{TPackageCode::Ok, "", "", false, {{"キイ", Installed()}}})));
}

TEST_F(CharacterInstallTest, AHandedOverRefusalIsAnsweredWithItsReasonAndShownAfter) {
  THandOverRequest request;
  request.Package = packages.Write("notes.klz", "just text");
  const THandOverAnswer answer = controller->TakeHandOver(request);
  EXPECT_EQ(answer.Status, THandOverStatus::Refused);
  EXPECT_EQ(answer.Message, PackageMessage(TPackageCode::NotAnArchive, request.Package));
  EXPECT_THAT(view.messages, IsEmpty());
  controller->TimerTimer();
  EXPECT_THAT(view.messages, ElementsAre(answer.Message));
  EXPECT_EQ(controller->State(), stUserInput);
}

TEST_F(CharacterInstallTest, AHandedOverPackageWaitsWhileADialogIsOpen) {
  THandOverRequest request;
  request.Package = Package("new");
  THandOverAnswer during;
  view.chooseCharacter = [&](TCharacterSelection& selection) {
    during = controller->TakeHandOver(request);
    selection.Cancel();
    return false;
  };
  controller->MenuChangeCharacterClick();
  EXPECT_EQ(during.Status, THandOverStatus::Busy);
  EXPECT_FALSE(home.Exists("ki.klc"));
}

// The selection dialog's 「追加(&A)...」 and 「削除(&D)」 on the controller's list.
class SelectionPackageTest : public CharacterInstallTest {
 protected:
  // The row of the definition file, or -1.
  static int RowOf(const TCharacterSelection& selection, const std::string& path) {
    for (size_t i = 0; i < selection.Rows().size(); ++i) {
      if (selection.Rows()[i].Path == path) return static_cast<int>(i);
    }
    return -1;
  }

  // The trash of a desktop lives in the user's data folder.
  TempFolder dataHome;
  ScopedEnvironment dataHomeVariable{"XDG_DATA_HOME", dataHome.Path()};
};

TEST_F(SelectionPackageTest, AddInstallsARowAndASwitchChosenThereClosesTheDialog) {
  Answer(TAnswers::Yes);
  int rowsBefore = 0;
  view.chooseCharacter = [&](TCharacterSelection& selection) {
    rowsBefore = static_cast<int>(selection.Rows().size());
    return selection.AddPackage(Package("new"));
  };
  controller->MenuChangeCharacterClick();
  EXPECT_EQ(view.statesInDialogs, std::vector<TChatState>{stSuspended});
  EXPECT_TRUE(Listed(Installed()));
  ASSERT_EQ(controller->State(), stTyping);
  EXPECT_EQ(observer.replies.back().Line, "ReadCharacter:" + Installed());
  TypeAll();
  EXPECT_EQ(controller->Character()->Name, Utf8ToShiftJis("キイ"));
  EXPECT_EQ(controller->CharacterList().Items.size(), static_cast<size_t>(rowsBefore) + 1);
}

TEST_F(SelectionPackageTest, AddWithoutSwitchKeepsTheDialogOpenWithTheNewRow) {
  Answer(TAnswers::No);
  view.chooseCharacter = [&](TCharacterSelection& selection) {
    EXPECT_FALSE(selection.AddPackage(Package("new")));
    EXPECT_GE(RowOf(selection, Installed()), 0);
    // Installing it again updates: still one row.
    Answer(TAnswers::YesToUpdateNoToSwitch);
    EXPECT_FALSE(selection.AddPackage(Package("newer", "again.klz")));
    int rows = 0;
    for (const TCharacterRow& row : selection.Rows()) rows += row.Path == Installed() ? 1 : 0;
    EXPECT_EQ(rows, 1);
    selection.Cancel();
    return false;
  };
  controller->MenuChangeCharacterClick();
  EXPECT_TRUE(Listed(Installed())) << "an install stays when the dialog is cancelled";
  EXPECT_EQ(controller->State(), stUserInput);
}

TEST_F(SelectionPackageTest, RemoveMovesAConfirmedCharacterToTheTrashButNeverTheOneInUse) {
  const std::string bob = WriteCharacter(home, "bob", "Bob", {});
  controller->CharacterList().AddCharacter(Utf8ToShiftJis(bob));
  view.chooseCharacter = [&](TCharacterSelection& selection) {
    const int alice = RowOf(selection, running);
    EXPECT_FALSE(selection.CanRemoveRow(alice));
    EXPECT_FALSE(selection.RemoveRow(alice));
    const int row = RowOf(selection, bob);
    EXPECT_TRUE(selection.CanRemoveRow(row));
    Answer(TAnswers::No);
    EXPECT_FALSE(selection.RemoveRow(row)) << "declined";
    EXPECT_TRUE(home.Exists("bob.klc"));
    Answer(TAnswers::Yes);
    EXPECT_TRUE(selection.RemoveRow(row));
    EXPECT_EQ(RowOf(selection, bob), -1);
    selection.Cancel();
    return false;
  };
  controller->MenuChangeCharacterClick();
  ASSERT_EQ(view.questions.size(), 2u);
  EXPECT_EQ(view.questions[0], RemoveQuestion("Bob", bob));
  EXPECT_FALSE(home.Exists("bob.klc"));
  EXPECT_FALSE(home.Exists("bob"));
  EXPECT_TRUE(dataHome.Exists("Trash/files/bob.klc"));
  EXPECT_TRUE(home.Exists("alice.klc"));
  EXPECT_FALSE(Listed(bob));
  EXPECT_THAT(controller->CharacterList().Items, Not(Contains(Utf8ToShiftJis(bob))));
}

}  // namespace
}  // namespace kelmo::testing
