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

TEST_F(FormSelectTest, PackageButtonsStayOffWithoutTheController) {
  SelectRow(1);
  EXPECT_FALSE(form.findChild<QPushButton*>("ButtonAdd")->isEnabled());
  EXPECT_FALSE(form.findChild<QPushButton*>("ButtonDelete")->isEnabled());
}

// The dialog with package actions standing in for the controller's: an install adds carol,
// alice is the character in use.
class FormSelectPackageTest : public ::testing::Test {
 protected:
  FormSelectPackageTest()
      : alice(WriteCharacter(home, "alice", "アリス", {})),
        bob(WriteCharacter(home, "bob", "ボブ", {})),
        list(home.Path() + "Kelmo.ini"),
        selection(list, home.Path(), Actions()),
        form(selection) {
    form.show();
  }

  TSelectionPackageActions Actions() {
    TSelectionPackageActions actions;
    actions.Install = [this](const std::string& package) {
      installed.push_back(package);
      const std::string carol = WriteCharacter(home, "carol", "キャロル", {});
      return TPackageAdded{{carol}, switchToNew ? carol : ""};
    };
    actions.Remove = [this](const std::string& path) {
      removed.push_back(path);
      return true;
    };
    actions.RunningPath = alice;
    return actions;
  }

  QTreeWidget* View() { return form.findChild<QTreeWidget*>("ListViewChar"); }
  QPushButton* Button(const char* name) { return form.findChild<QPushButton*>(name); }
  void SelectRow(int row) { View()->setCurrentItem(View()->topLevelItem(row)); }
  std::vector<std::string> ShownNames() {
    std::vector<std::string> names;
    for (int row = 0; row < View()->topLevelItemCount(); ++row) {
      names.push_back(View()->topLevelItem(row)->text(0).toStdString());
    }
    return names;
  }

  TempFolder home;
  const std::string alice;
  const std::string bob;
  TCharacterList list;
  bool switchToNew = false;
  std::vector<std::string> installed;
  std::vector<std::string> removed;
  TCharacterSelection selection;
  TTestFormSelect form;
};

TEST_F(FormSelectPackageTest, AddInstallsTheChosenPackageIntoANewRow) {
  ASSERT_TRUE(Button("ButtonAdd")->isEnabled());
  EXPECT_EQ(Button("ButtonAdd")->text(), "追加(&A)...");
  form.chosenFile.clear();  // the file dialog was cancelled
  QTest::mouseClick(Button("ButtonAdd"), Qt::LeftButton);
  EXPECT_TRUE(installed.empty());

  form.chosenFile = "/somewhere/carol.klz";
  QTest::mouseClick(Button("ButtonAdd"), Qt::LeftButton);
  EXPECT_EQ(form.askedTitle, "人格パッケージの選択");
  EXPECT_EQ(installed, std::vector<std::string>{"/somewhere/carol.klz"});
  EXPECT_EQ(ShownNames(), (std::vector<std::string>{"アリス", "ボブ", "キャロル"}));
  EXPECT_TRUE(form.isVisible());
}

TEST_F(FormSelectPackageTest, ASwitchChosenAfterTheInstallClosesTheDialogAsOkWould) {
  switchToNew = true;
  form.chosenFile = "/somewhere/carol.klz";
  QTest::mouseClick(Button("ButtonAdd"), Qt::LeftButton);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(selection.SelectedPath(), home.Path() + "carol.klc");
  EXPECT_EQ(list.Items.front(), home.Path() + "carol.klc");
}

TEST_F(FormSelectPackageTest, DeleteIsRefusedForTheCharacterInUseAndRemovesAnother) {
  EXPECT_EQ(Button("ButtonDelete")->text(), "削除(&D)");
  SelectRow(0);
  EXPECT_FALSE(Button("ButtonDelete")->isEnabled());
  SelectRow(1);
  ASSERT_TRUE(Button("ButtonDelete")->isEnabled());
  QTest::mouseClick(Button("ButtonDelete"), Qt::LeftButton);
  EXPECT_EQ(removed, std::vector<std::string>{bob});
  EXPECT_EQ(ShownNames(), std::vector<std::string>{"アリス"});
}

}  // namespace
}  // namespace kelmo
