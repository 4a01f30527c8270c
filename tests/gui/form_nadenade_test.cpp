// The petting window: its list, the signals of a chosen item and of its menu, Ctrl+H, and its
// place beside the main window.
#include "gui/form_nadenade.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

namespace kelmo {
namespace {

class FormNadenadeTest : public ::testing::Test {
 protected:
  FormNadenadeTest() : form(&mainWindow) {
    form.SetLabels({"なでる", "つつく", "なでなで未対応人格"});
    form.show();
    list = form.findChild<QListWidget*>("ListNadenade");
  }

  // Activates the petting window, as a click on it would, so that its shortcuts apply.
  bool Activate() {
    form.activateWindow();
    return QTest::qWaitForWindowActive(&form);
  }

  QWidget mainWindow;
  TFormNadenade form;
  QListWidget* list = nullptr;
  QSignalSpy chosen{&form, &TFormNadenade::ActionChosen};
  QSignalSpy returned{&form, &TFormNadenade::ReturnFocusRequested};
};

TEST_F(FormNadenadeTest, IsAToolWindowOfTheMainWindowListingTheLabels) {
  EXPECT_EQ(form.windowTitle(), "なでなでめにゅー");
  EXPECT_EQ(form.windowType(), Qt::Tool);
  EXPECT_EQ(form.parentWidget(), &mainWindow);
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(1)->text(), "つつく");

  form.SetLabels({"ひとつ"});  // the next character's menu replaces the list
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text(), "ひとつ");
}

TEST_F(FormNadenadeTest, DoubleClickOrEnterChoosesTheSelectedItem) {
  list->clearSelection();
  QTest::keyClick(list, Qt::Key_Return);  // nothing selected
  EXPECT_EQ(chosen.count(), 0);

  const QRect second = list->visualItemRect(list->item(1));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
  list->setCurrentRow(2);
  QTest::keyClick(list, Qt::Key_Enter);
  QTest::keyClick(list, Qt::Key_Space);  // not a choice

  ASSERT_EQ(chosen.count(), 2);
  EXPECT_EQ(chosen[0][0].toInt(), 1);
  EXPECT_EQ(chosen[1][0].toInt(), 2);  // the inert item too: the controller ignores it
}

TEST_F(FormNadenadeTest, MenuShortcutsReturnTheFocusAndHideTheWindow) {
  const QAction* back = form.findChild<QAction*>("MenuReturnForcus");
  const QAction* hide = form.findChild<QAction*>("MenuHide");
  ASSERT_NE(back, nullptr);
  ASSERT_NE(hide, nullptr);
  EXPECT_EQ(back->text(), "メインウィンドウにフォーカスを戻す(&N)");
  EXPECT_EQ(hide->text(), "隠す(&H)");

  ASSERT_TRUE(Activate());
  QTest::keyClick(list, Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(returned.count(), 1);
  EXPECT_TRUE(form.isVisible());
  QTest::keyClick(list, Qt::Key_H, Qt::ControlModifier);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(returned.count(), 1);
}

TEST_F(FormNadenadeTest, SitsAgainstTheMainWindowsRightEdgeAsHighAsIt) {
  form.PlaceBesideMain(QRect(100, 50, 560, 230));
  EXPECT_EQ(form.frameGeometry().topLeft(), QPoint(660, 50));
  const int width = form.width();
  form.MatchMainHeight(230);
  EXPECT_EQ(form.frameGeometry().height(), 230);
  EXPECT_EQ(form.width(), width);

  // Fitted while hidden before its first showing, when the desktop has not told the frame yet.
  TFormNadenade fresh(&mainWindow);
  fresh.MatchMainHeight(240);
  fresh.show();
  EXPECT_EQ(fresh.frameGeometry().height(), 240);
}

}  // namespace
}  // namespace kelmo
