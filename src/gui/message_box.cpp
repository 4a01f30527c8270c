// The plain message boxes. A box shown while a busy cursor is up (busy_cursor.h) shows the arrow.
#include "gui/message_box.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>

#include "gui/qt_text.h"

namespace kelmo {
namespace {

int RunBox(QMessageBox& box) {
  const bool busy = QGuiApplication::overrideCursor() != nullptr;
  if (busy) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
  const int answer = box.exec();
  if (busy) QGuiApplication::restoreOverrideCursor();
  return answer;
}

}  // namespace

void ShowMessageBox(QWidget* parent, std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), FromUtf8(text),
                  QMessageBox::Ok, parent);
  RunBox(box);
}

bool AskYesNoBox(QWidget* parent, std::string_view question) {
  QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(),
                  FromUtf8(question), QMessageBox::Yes | QMessageBox::No, parent);
  box.setEscapeButton(QMessageBox::No);
  return RunBox(box) == QMessageBox::Yes;
}

}  // namespace kelmo
