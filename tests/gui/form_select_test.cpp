// The character selection dialog over a temporary program folder: OK, Delete, Cancel and
// browsed files, driven through its widgets as a user would.
#include "gui/form_select.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "charfile/character_list.h"
#include "message_box_catcher.h"
#include "shell/character_selection.h"
#include "shell/test_characters.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

using testing::TempFolder;
using testing::TMessageBoxCatcher;
using testing::WriteCharacter;

// The dialog with its file-open dialog answered by the test.
class TTestFormSelect : public TFormSelect {
 public:
  using TFormSelect::TFormSelect;

  QString chosenFile;  // what the file-open dialog answers
  QString askedTitle;
  QString askedFilter;

 protected:
  QString ChooseCharacterFile(const QString& title, const QString& filter) override {
    askedTitle = title;
    askedFilter = filter;
    return chosenFile;
  }
};

class FormSelectTest : public ::testing::Test {
 protected:
  FormSelectTest()
      : alice(WriteCharacter(home, "alice", "アリス", {})),
        bob(WriteCharacter(home, "bob", "ボブ", {})),
        list(home.Path() + "Kelmo.ini"),
        selection(list, home.Path()),
        form(selection) {
    form.show();
  }

  QTreeWidget* View() { return form.findChild<QTreeWidget*>("ListViewChar"); }
  void Click(const char* button) {
    QTest::mouseClick(form.findChild<QPushButton*>(button), Qt::LeftButton);
  }
  void SelectRow(int row) { View()->setCurrentItem(View()->topLevelItem(row)); }
  std::vector<std::string> ShownPaths() {
    std::vector<std::string> paths;
    for (int row = 0; row < View()->topLevelItemCount(); ++row) {
      paths.push_back(View()->topLevelItem(row)->text(1).toStdString());
    }
    return paths;
  }

  TempFolder home;
  TempFolder elsewhere;
  const std::string alice;
  const std::string bob;
  TCharacterList list;
  TCharacterSelection selection;
  TTestFormSelect form;
  TMessageBoxCatcher messages;
};

TEST_F(FormSelectTest, ListsTheCharactersBesideTheProgramByNameAndPath) {
  EXPECT_EQ(form.windowTitle(), "人格の選択");
  ASSERT_EQ(View()->topLevelItemCount(), 2);
  EXPECT_EQ(View()->headerItem()->text(0), "人格名");
  EXPECT_EQ(View()->headerItem()->text(1), "パス");
  EXPECT_EQ(View()->topLevelItem(0)->text(0), "アリス");
  EXPECT_EQ(ShownPaths(), (std::vector<std::string>{alice, bob}));
}

TEST_F(FormSelectTest, OkWithoutARowAsksForOneAndStaysOpen) {
  Click("ButtonOK");
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"人格を選択してください"});
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(selection.SelectedPath().empty());
}

TEST_F(FormSelectTest, DeletedRowLeavesTheListAndOkPutsTheChoiceFirst) {
  const std::string carol = WriteCharacter(home, "carol", "キャロル", {});
  form.chosenFile = QString::fromStdString(carol);
  Click("ButtonRef");
  SelectRow(0);
  QTest::keyClick(View(), Qt::Key_Delete);
  EXPECT_EQ(ShownPaths(), (std::vector<std::string>{bob, carol}));

  SelectRow(1);
  Click("ButtonOK");
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(selection.SelectedPath(), carol);
  EXPECT_EQ(list.Items, (std::vector<std::string>{carol, bob}));
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(FormSelectTest, DeleteWithoutASelectedRowDoesNothing) {
  View()->clearSelection();
  QTest::keyClick(View(), Qt::Key_Delete);
  EXPECT_EQ(ShownPaths(), (std::vector<std::string>{alice, bob}));
}

TEST_F(FormSelectTest, EscapeCancelsAndTheRowsNeverReachTheList) {
  SelectRow(0);
  QTest::keyClick(View(), Qt::Key_Delete);
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_TRUE(selection.Cancelled());
  // What opening found beside the program stays; the deletion does not reach the list.
  EXPECT_EQ(list.Items, (std::vector<std::string>{alice, bob}));
}

TEST_F(FormSelectTest, BrowsedFileMustBeACharacterDefinitionFile) {
  form.chosenFile = QString::fromStdString(elsewhere.Write("notes.txt", "just text\r\n"));
  Click("ButtonRef");
  EXPECT_EQ(form.askedTitle, "人格ファイルの選択");
  EXPECT_EQ(form.askedFilter, "Kelmo人格ファイル(*.klc, *.txt) (*.klc *.txt)");
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"無効なファイルです"});
  EXPECT_EQ(ShownPaths(), (std::vector<std::string>{alice, bob}));

  form.chosenFile.clear();  // the file dialog was cancelled
  Click("ButtonRef");
  EXPECT_EQ(messages.Texts().size(), 1u);

  const std::string far = WriteCharacter(elsewhere, "far", "遠く", {});
  form.chosenFile = QString::fromStdString(far);
  Click("ButtonRef");
  EXPECT_EQ(ShownPaths(), (std::vector<std::string>{alice, bob, far}));
  EXPECT_EQ(View()->topLevelItem(2)->text(0), "遠く");
}

TEST_F(FormSelectTest, ExecReturnsAcceptedOnlyForAConfirmedRow) {
  form.hide();
  QTimer::singleShot(0, [&] {
    Click("ButtonOK");  // refused: no row yet
    SelectRow(1);
    Click("ButtonOK");
  });
  EXPECT_EQ(form.exec(), QDialog::Accepted);
  EXPECT_EQ(selection.SelectedPath(), bob);

  TCharacterSelection again(list, home.Path());
  TTestFormSelect cancelled(again);
  QTimer::singleShot(0, [&] {
    QTest::mouseClick(cancelled.findChild<QPushButton*>("ButtonCancel"), Qt::LeftButton);
  });
  EXPECT_EQ(cancelled.exec(), QDialog::Rejected);
  EXPECT_TRUE(again.Cancelled());
}

}  // namespace
}  // namespace kelmo
