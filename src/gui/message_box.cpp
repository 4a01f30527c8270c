// The plain message box.
#include "gui/message_box.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace kelmo {

void ShowMessageBox(QWidget* parent, std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                  QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                  QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace kelmo
