// A character package dropped on the main window: the window hands the file to the controller,
// whose questions come as Yes/No message boxes; a drop of anything but one local file is refused.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QUrl>

#include "charfile/code_page.h"
#include "engine/character.h"
#include "gui/desktop_character.h"
#include "main_window_fixture.h"
#include "message_box_catcher.h"
#include "package/test_archives.h"
#include "shell/character_install.h"

namespace kelmo::testing {
namespace {

// How long a test waits for the install a drop starts.
constexpr int kInstallPatienceMs = 20000;

class FormMainPackageTest : public MainWindowTest {
 protected:
  void SetUp() override {
    const std::string alice = WriteCharacter(home, "alice", "Alice", {{kAnyReadCharacter, "Bye"}});
    ASSERT_TRUE(Start(alice));
    TypeAll();
  }

  std::string Package(const std::string& reply) {
    return packages.Write(
        reply + ".klz",
        MakeArchive(CharacterEntries("ki", "キイ", "HELLO", reply), TArchiveFormat::Zip));
  }

  static std::unique_ptr<QMimeData> Files(const std::vector<QUrl>& urls) {
    auto data = std::make_unique<QMimeData>();
    data->setUrls(QList<QUrl>(urls.begin(), urls.end()));
    return data;
  }

  // Whether the window (the main window unless another is named) takes the drag, and drops it
  // when it does.
  bool Drop(const QMimeData& data, QWidget* window = nullptr) {
    if (window == nullptr) window = form.get();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
    return drop.isAccepted();
  }

  // Runs the event loop until the catcher has closed count boxes.
  void WaitForBoxes(size_t count) {
    QElapsedTimer waited;
    waited.start();
    while (messages.Texts().size() < count && waited.elapsed() < kInstallPatienceMs) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    ASSERT_EQ(messages.Texts().size(), count);
  }

  TempFolder packages;
  TMessageBoxCatcher messages;
};

TEST_F(FormMainPackageTest, ADroppedPackageInstallsAndASwitchOfferedIsTaken) {
  messages.AnswerQuestions(QMessageBox::Yes);
  const auto data = Files({QUrl::fromLocalFile(QString::fromStdString(Package("new")))});
  ASSERT_TRUE(Drop(*data));
  WaitForBoxes(1);
  EXPECT_NE(messages.Texts()[0].find("「キイ」に切り替えますか？"), std::string::npos)
      << messages.Texts()[0];
  EXPECT_TRUE(home.Exists("ki.klc"));
  ASSERT_EQ(controller->State(), stTyping);
  TypeAll();
  EXPECT_EQ(controller->Character()->Name, Utf8ToShiftJis("キイ"));
}

TEST_F(FormMainPackageTest, AnUpdateIsAskedAboutFirstAndNoKeepsTheInstalledCharacter) {
  const auto first = Files({QUrl::fromLocalFile(QString::fromStdString(Package("old")))});
  ASSERT_TRUE(Drop(*first));
  WaitForBoxes(1);  // the switch, declined
  const auto second = Files({QUrl::fromLocalFile(QString::fromStdString(Package("new")))});
  ASSERT_TRUE(Drop(*second));
  WaitForBoxes(2);
  EXPECT_EQ(messages.Texts()[1], UpdateQuestion({{"キイ", home.Path() + "ki.klc"}}));
  EXPECT_NE(home.Read("ki/dict.txt").find("old"), std::string::npos);
  EXPECT_EQ(controller->Character()->Name, "Alice");
  EXPECT_EQ(controller->State(), stUserInput);
}

TEST_F(FormMainPackageTest, OnTheDesktopTheCharacterAndItsBalloonTakeDropsToo) {
  form->SetDesktopMode(true);
  ASSERT_NE(form->DesktopCharacter(), nullptr);
  QMimeData text;
  text.setText("ki.klz");
  EXPECT_FALSE(Drop(text, form->DesktopBalloon()));
  const auto data = Files({QUrl::fromLocalFile(QString::fromStdString(Package("new")))});
  ASSERT_TRUE(Drop(*data, form->DesktopBalloon()));
  WaitForBoxes(1);  // the switch, declined
  ASSERT_TRUE(Drop(*data, form->DesktopCharacter()));
  WaitForBoxes(2);
  EXPECT_EQ(messages.Texts()[1], UpdateQuestion({{"キイ", home.Path() + "ki.klc"}}));
}

TEST_F(FormMainPackageTest, OnlyOneLocalFileIsTaken) {
  const QUrl file = QUrl::fromLocalFile(QString::fromStdString(Package("new")));
  EXPECT_FALSE(Drop(*Files({file, file})));
  EXPECT_FALSE(Drop(*Files({QUrl("https://example.org/ki.klz")})));
  QMimeData text;
  text.setText("ki.klz");
  EXPECT_FALSE(Drop(text));
  QCoreApplication::processEvents();
  EXPECT_FALSE(home.Exists("ki.klc"));
}

}  // namespace
}  // namespace kelmo::testing
