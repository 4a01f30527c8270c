// Closes the message boxes a test provokes and records their texts, so that no test waits for a
// user: while the catcher lives, a timer looks for a visible QMessageBox every few milliseconds
// (the box's own event loop runs the timer) and answers it with OK, or a question (Yes and No) with
// the answer the test chose.
#pragma once

#include <QApplication>
#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>
#include <string>
#include <vector>

namespace kelmo::testing {

class TMessageBoxCatcher {
 public:
  TMessageBoxCatcher() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { CloseVisibleBoxes(); });
    timer_.start(kPollMilliseconds);
  }

  // What questions are answered with from now on (No until set).
  void AnswerQuestions(QMessageBox::StandardButton answer) { answer_ = answer; }

  // The texts of the boxes closed so far (UTF-8), oldest first.
  const std::vector<std::string>& Texts() const { return texts_; }

 private:
  static constexpr int kPollMilliseconds = 10;

  void CloseVisibleBoxes() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(window);
      if (box == nullptr || !box->isVisible()) continue;
      texts_.push_back(box->text().toStdString());
      if (box->standardButtons().testFlag(QMessageBox::Yes)) {
        box->button(answer_)->click();
      } else {
        box->done(QMessageBox::Ok);
      }
    }
  }

  QTimer timer_;
  QMessageBox::StandardButton answer_ = QMessageBox::No;
  std::vector<std::string> texts_;
};

}  // namespace kelmo::testing
