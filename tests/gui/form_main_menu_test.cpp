// The main window's menu side: the popup menu's items and where it opens, the tray icon and the
// window without a tray, hiding and restoring with the petting window, stay on top, the petting
// actions, the home page item, and the dialogs run from the menu (a character switch through the
// selection dialog; a timed talk firing while a dialog is open).
#include <gmock/gmock.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <ostream>

#include "charfile/code_page.h"
#include "gui/form_nadenade.h"
#include "gui/picture_box.h"
#include "main_window_fixture.h"
#include "shell/about_texts.h"

namespace kelmo::testing {
namespace {

using ::testing::ElementsAre;

// How long a test waits for the timer to do what it must (far more than it needs).
constexpr int kPatienceMs = 10000;
// Date-times count days.
constexpr double kSecondsPerDay = 86400;

class FormMainMenuTest : public MainWindowTest {
 protected:
  // A character with a petting menu of two actions; the greeting ends at once.
  std::string PettingCharacter(const std::vector<TAnswer>& answers) {
    home.Write("chara/pet.txt", Utf8ToShiftJis("なでる,なでなで\r\nつつく,つんつん\r\n"));
    std::vector<TAnswer> all = {{"KCCALLED", "Hi"}};
    all.insert(all.end(), answers.begin(), answers.end());
    return WriteCharacter(home, "chara", "Chara", all,
                          {"nadenade", "True", "datanadenade", "pet.txt"});
  }

  QAction* Item(const char* name) { return form->PopupMenu()->findChild<QAction*>(name); }

  // Triggers opener, which opens a modal dialog: when the dialog is up, inside() runs, and then
  // the dialog is closed with Escape unless inside() closed it.
  void WithDialogOpen(QAction* opener, const std::function<void()>& inside) {
    WhenDialogOpens([&](QWidget* dialog) {
      inside();
      if (dialog->isVisible()) QTest::keyClick(dialog, Qt::Key_Escape);
    });
    opener->trigger();
  }
};

TEST_F(FormMainMenuTest, PopupMenuHasTheItemsCaptionsShortcutsAndSeparators) {
  ASSERT_TRUE(Start(PettingCharacter({})));
  std::vector<std::string> items;
  for (const QAction* action : form->PopupMenu()->actions()) {
    items.push_back(action->isSeparator()
                        ? "-"
                        : (action->objectName() + " " + action->text() + " " +
                           action->shortcut().toString() + (action->isEnabled() ? "" : " disabled"))
                              .trimmed()
                              .toStdString());
  }
  EXPECT_THAT(items, ElementsAre("MenuShowNadenade なでなでメニューを表示(&N) Ctrl+N",
                                 "MenuStayOnTop 常に前面に表示(&T)",
                                 "MenuDesktopMode デスクトップに立たせる(&D)",
                                 "MenuChangeState 隠す(&S)",
                                 "MenuConfigure 設定(&P)...",
                                 "MenuChangeCharacter 人格の切り替え(&C)...", "-",
                                 "MenuWWW Go to Dorrin-kun Project Homepage(&W)",
                                 "MenuAbout DorrinKelmo について(&A)...", "-", "MenuQuit 終了(&Q) Ctrl+Q"));
  EXPECT_TRUE(Item("MenuStayOnTop")->isCheckable());
  EXPECT_TRUE(Item("MenuDesktopMode")->isCheckable());
}

TEST_F(FormMainMenuTest, RightClickOnTheWindowThePictureOrTheBalloonOpensTheMenu) {
  ASSERT_TRUE(Start(PettingCharacter({})));
  TypeAll();
  QWidget* const places[] = {form.get(), form->PaintBitmap(), form->PaintBalloon(),
                             form->RichBalloon()->viewport()};
  for (QWidget* place : places) {
    SCOPED_TRACE(place->objectName().toStdString());
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), place->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(place, &click);
    EXPECT_TRUE(form->PopupMenu()->isVisible());
    form->PopupMenu()->close();
  }
}

// A way the popup menu is asked for.
struct TMenuOpener {
  const char* Name;
  bool Tray;  // the tray icon's context click, else a right-click on the balloon
};

// The case's name, for test listings.
void PrintTo(const TMenuOpener& c, std::ostream* out) {
  *out << c.Name;
}

class MenuOpenerTest : public FormMainMenuTest, public ::testing::WithParamInterface<TMenuOpener> {
 protected:
  // Asks for the menu the case's way; whether it opened (it is closed again).
  bool Opens() {
    if (GetParam().Tray) {
      form->TrayIconActivated(QSystemTrayIcon::Context);
    } else {
      QWidget* balloon = form->RichBalloon()->viewport();
      QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                              balloon->mapToGlobal(QPoint(5, 5)));
      QApplication::sendEvent(balloon, &click);
    }
    const bool opened = form->PopupMenu()->isVisible();
    form->PopupMenu()->close();
    return opened;
  }
};

TEST_P(MenuOpenerTest, MenuOpensOnlyInTheUsersTurnOrAfterAReply) {
  ASSERT_TRUE(Start(PettingCharacter({}), true));
  ASSERT_EQ(controller->State(), stTyping);
  EXPECT_FALSE(Opens());
  TypeAll();
  EXPECT_TRUE(Opens());  // stReplyDone
  PressEnter();
  EXPECT_TRUE(Opens());  // stUserInput
  bool openedInDialog = true;
  WithDialogOpen(Item("MenuAbout"), [&] { openedInDialog = Opens(); });  // stSuspended
  EXPECT_FALSE(openedInDialog);
  EXPECT_EQ(controller->State(), stUserInput);
}

INSTANTIATE_TEST_SUITE_P(Ways, MenuOpenerTest,
                         ::testing::Values(TMenuOpener{"TrayContextClick", true},
                                           TMenuOpener{"RightClickOnTheBalloon", false}),
                         [](const ::testing::TestParamInfo<TMenuOpener>& info) {
                           return info.param.Name;
                         });

TEST_F(FormMainMenuTest, WithATrayHidingHidesBothWindowsAndShowingBringsBackOnlyTheMain) {
  ASSERT_TRUE(Start(PettingCharacter({}), true));
  ASSERT_NE(form->TrayIcon(), nullptr);
  EXPECT_EQ(form->TrayIcon()->toolTip(), "Chara - DorrinKelmo");
  Item("MenuShowNadenade")->trigger();
  ASSERT_TRUE(form->Nadenade()->isVisible());

  Item("MenuChangeState")->trigger();
  QApplication::processEvents();
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(form->Nadenade()->isVisible());
  EXPECT_EQ(Item("MenuChangeState")->text(), "戻す(&S)");

  form->TrayIconActivated(QSystemTrayIcon::DoubleClick);
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(form->Nadenade()->isVisible());
  EXPECT_EQ(Item("MenuChangeState")->text(), "隠す(&S)");
}

TEST_F(FormMainMenuTest, WithoutATrayHidingMinimisesSoTheWindowStaysReachable) {
  ASSERT_TRUE(Start(PettingCharacter({}), false));
  EXPECT_EQ(form->TrayIcon(), nullptr);
  Item("MenuChangeState")->trigger();
  QApplication::processEvents();
  EXPECT_TRUE(form->isVisible());  // its task-bar button stays
  EXPECT_TRUE(form->isMinimized());
  EXPECT_FALSE(form->IsVisible());
  EXPECT_EQ(Item("MenuChangeState")->text(), "戻す(&S)");

  Item("MenuChangeState")->trigger();
  EXPECT_TRUE(form->IsVisible());
  EXPECT_EQ(Item("MenuChangeState")->text(), "隠す(&S)");
}

TEST_F(FormMainMenuTest, PettingWindowSitsAgainstTheRightEdgeAndFollowsTheWindow) {
  ASSERT_TRUE(Start(PettingCharacter({})));
  EXPECT_FALSE(form->Nadenade()->isVisible());  // shown only when asked for

  form->move(40, 30);
  Item("MenuShowNadenade")->trigger();
  EXPECT_EQ(form->Nadenade()->frameGeometry().height(), form->frameGeometry().height());
  EXPECT_EQ(form->Nadenade()->pos(), QPoint(40 + form->frameGeometry().width(), 30));
  form->move(120, 90);
  EXPECT_EQ(form->Nadenade()->pos(), QPoint(120 + form->frameGeometry().width(), 90));
}

TEST_F(FormMainMenuTest, PettingActionJoinsTheTypedTextAndWaitsForTheUsersTurn) {
  ASSERT_TRUE(Start(PettingCharacter({{"ABなでなで", "joined"}, {"なでなで", "alone"}})));
  auto* list = form->Nadenade()->findChild<QListWidget*>("ListNadenade");
  ASSERT_EQ(list->count(), 2);
  list->setCurrentRow(0);
  ASSERT_EQ(controller->State(), stTyping);
  QTest::keyClick(list, Qt::Key_Return);  // ignored while the greeting is typed
  EXPECT_EQ(observer.replies.size(), 1u);

  TypeAll();
  PressEnter();
  QTest::keyClicks(form->RichBalloon(), "ab");
  QTest::keyClick(list, Qt::Key_Return);
  TypeAll();
  ASSERT_EQ(observer.replies.size(), 2u);
  EXPECT_EQ(observer.replies[1].Line, "abなでなで");
  EXPECT_EQ(form->BalloonText(), "joined\r\n");
}

TEST_F(FormMainMenuTest, StayOnTopMarksBothWindowsAndShowsAHiddenWindow) {
  ASSERT_TRUE(Start(PettingCharacter({}), true));
  Item("MenuShowNadenade")->trigger();
  Item("MenuStayOnTop")->trigger();
  EXPECT_TRUE(Item("MenuStayOnTop")->isChecked());
  EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(form->Nadenade()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->Nadenade()->isVisible());  // still shown, above the main window

  Item("MenuStayOnTop")->trigger();
  EXPECT_FALSE(Item("MenuStayOnTop")->isChecked());
  EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(form->Nadenade()->isVisible());

  Item("MenuChangeState")->trigger();  // hidden, petting window too
  ASSERT_FALSE(form->isVisible());
  Item("MenuStayOnTop")->trigger();
  EXPECT_TRUE(form->isVisible());
  controller->Shutdown();
  EXPECT_NE(home.Read("Kelmo.ini").find("StayOnTop=1"), std::string::npos);
}

// Receives the addresses the desktop would open.
class TUrlCatcher : public QObject {
  Q_OBJECT

 public:
  std::vector<std::string> urls;

 public slots:
  void Open(const QUrl& url) { urls.push_back(url.toString().toStdString()); }
};

TEST_F(FormMainMenuTest, HomePageItemOpensTheProjectsAddress) {
  ASSERT_TRUE(Start(PettingCharacter({})));
  TUrlCatcher catcher;
  QDesktopServices::setUrlHandler("https", &catcher, "Open");
  Item("MenuWWW")->trigger();
  QDesktopServices::unsetUrlHandler("https");
  EXPECT_THAT(catcher.urls, ElementsAre(std::string(kHomePageUrl)));
}

TEST_F(FormMainMenuTest, TimedTalkFiresWhileADialogIsOpen) {
  home.Write("Kelmo.ini",
             "[User]\r\nUser=a{BR}b{BR}c{BR}d{BR}{BR}1990/02/03\r\n[Balloon]\r\nSpeed=5\r\n");
  ASSERT_TRUE(Start(PettingCharacter({{"ARM", "{TIMER1|later}armed"}, {"LATER", "now"}})));
  form->StartTimer();
  Say("arm");
  TypeAll();
  ASSERT_TRUE(controller->TimerArmed());
  now += 2.0 / kSecondsPerDay;

  bool firedInDialog = false;
  WithDialogOpen(Item("MenuAbout"), [&] {
    firedInDialog = QTest::qWaitFor([&] { return !controller->TimerArmed(); }, kPatienceMs) &&
                    observer.replies.back().Event == TReplyEvent::TimedTalk;
  });
  EXPECT_TRUE(firedInDialog);
  EXPECT_EQ(observer.replies.back().Line, "later");
}

TEST_F(FormMainMenuTest, SwitchingThroughTheSelectionDialogTypesFarewellAndGreeting) {
  const std::string other = WriteCharacter(
      home, "other", "Other", {{"KCCALLED", "Hello from other"}},
      {"nadenade", "True", "datanadenade", "pet.txt"});
  home.Write("other/pet.txt", Utf8ToShiftJis("なでる,なでなで\r\n"));
  ASSERT_TRUE(Start(PettingCharacter({{kAnyReadCharacter, "bye"}})));
  TypeAll();

  WithDialogOpen(Item("MenuChangeCharacter"), [&] {
    auto* rows = QApplication::activeModalWidget()->findChild<QTreeWidget*>("ListViewChar");
    ASSERT_NE(rows, nullptr);
    const QList<QTreeWidgetItem*> found = rows->findItems("Other", Qt::MatchExactly, 0);
    ASSERT_EQ(found.size(), 1);
    rows->setCurrentItem(found.front());
    QApplication::activeModalWidget()->findChild<QPushButton*>("ButtonOK")->click();
  });
  TypeAll();  // the farewell, then the switch and the new greeting
  EXPECT_EQ(form->windowTitle(), "Other - DorrinKelmo");
  EXPECT_EQ(form->BalloonText(), "Hello from other\r\n");
  ASSERT_GE(observer.replies.size(), 3u);
  EXPECT_EQ(observer.replies[observer.replies.size() - 2].Reply.substr(0, 3), "bye");
  EXPECT_EQ(form->Nadenade()->findChild<QListWidget*>("ListNadenade")->count(), 1);

  controller->Shutdown();
  EXPECT_NE(home.Read("Kelmo.ini").find("Char1=" + other), std::string::npos);
}

}  // namespace
}  // namespace kelmo::testing

#include "form_main_menu_test.moc"
