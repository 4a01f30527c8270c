// The main window's tests' fixture: a program folder with a complete profile, small characters
// written on the fly (with BMP pictures drawn by the test), the real window and controller, and
// helpers that drive the window as a user does: keys into the balloon, ticks of its timer.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "charfile/date_time.h"
#include "gui/balloon_edit.h"
#include "gui/form_main.h"
#include "shell/chat_controller.h"
#include "shell/fake_view.h"
#include "shell/headless_drive.h"
#include "shell/test_characters.h"
#include "support/temp_folder.h"

namespace kelmo::testing {

// No reply in these tests needs more ticks than this; more means typing never ends.
inline constexpr int kWindowTickLimit = 10000;
// How often a test looks whether the modal dialog it waits for has opened.
inline constexpr int kDialogPollMs = 10;

// Runs act on the next modal dialog once it is open (from inside its event loop), however long
// the machine takes to open it. The watch lives until the dialog has been seen.
inline void WhenDialogOpens(std::function<void(QWidget* dialog)> act) {
  auto* watch = new QTimer(qApp);
  QObject::connect(watch, &QTimer::timeout, [watch, act = std::move(act)] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || !dialog->isVisible()) return;
    watch->stop();
    watch->deleteLater();
    act(dialog);
  });
  watch->start(kDialogPollMs);
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    home.Write("Kelmo.ini",
               "[User]\r\nUser=Yamada{BR}Taro{BR}taro{BR}tarochan{BR}{BR}1990/02/03\r\n");
    TryEncodeDateTime(TDateTimeParts{2024, 5, 6, 7, 8, 9}, now);
  }

  ~MainWindowTest() override {
    if (controller != nullptr) controller->Shutdown();
    controller.reset();
    form.reset();
  }

  // A picture file in the character folder stem/: size, filled with fill, its bottom-left pixel
  // (the colour key's source) corner. Returns its file name.
  std::string WritePicture(const std::string& stem, const std::string& name, QSize size,
                           QColor fill, QColor corner) const {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(fill);
    picture.setPixelColor(0, size.height() - 1, corner);
    home.Write(stem + "/" + name, "");
    EXPECT_TRUE(picture.save(QString::fromStdString(home.Path() + stem + "/" + name), "BMP"));
    return name;
  }

  // Creates the window and the controller and starts the character at path (empty: the list's
  // first). trayAvailable stands for the desktop's tray.
  bool Start(const std::string& path, bool trayAvailable = false) {
    if (controller != nullptr) controller->Shutdown();
    controller.reset();
    form.reset();
    form = std::make_unique<TFormMain>(home.Path(), trayAvailable);
    TControllerOptions options;
    options.AppDir = home.Path();
    options.Clock = [this] { return now; };
    controller = std::make_unique<TChatController>(*form, options);
    drive = std::make_unique<THeadlessDrive>(
        *controller, &observer, TTypingPace::Ticks, kWindowTickLimit,
        THeadlessInputs{.TypeUserLine =
                            [this](const std::string& line) {
                              QTest::keyClicks(form->RichBalloon(), QString::fromStdString(line));
                            },
                        .Enter = [this] { PressEnter(); },
                        .Tick = [this] { Tick(); }});
    form->Attach(*controller);
    return controller->Start(path);
  }

  // One tick of the window's timer.
  void Tick() { QMetaObject::invokeMethod(form.get(), "TimerTimer"); }

  // Ticks until the reply is done or waits for Enter.
  void TypeAll() { ASSERT_TRUE(drive->FinishReply()) << "typing does not end"; }

  // Enter pressed in the balloon.
  void PressEnter() { QTest::keyClick(form->RichBalloon(), Qt::Key_Return); }

  // The user's turn, then the ASCII line typed into the balloon and Enter.
  void Say(const char* line) { ASSERT_TRUE(drive->Say(line)) << "not the user's turn"; }

  TempFolder home;
  TDateTime now = 0;
  TRecordingObserver observer;
  std::unique_ptr<TFormMain> form;
  std::unique_ptr<TChatController> controller;
  std::unique_ptr<THeadlessDrive> drive;  // the controller's observer, passing on to observer
};

}  // namespace kelmo::testing
