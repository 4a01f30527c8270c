// The main window's side of character packages: a file dropped on the window (or, in the desktop
// mode, on the character or its balloon) goes to the controller, which installs it as a character package and asks its questions through AskYesNo,
// here a message box with Yes and No. The window only collects the file.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include "gui/busy_cursor.h"
#include "gui/desktop_character.h"
#include "gui/form_main.h"
#include "gui/message_box.h"
#include "shell/chat_controller.h"

namespace kelmo {
namespace {

// The one local file a drag carries; empty for none, several, or what is no local file.
QString DroppedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().front();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

std::optional<bool> TFormMain::AskYesNo(const std::string& question) {
  return AskYesNoBox(DialogParent(), question);
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  // The program the file came from waits until the drop returns: the install (and its questions)
  // come after.
  QTimer::singleShot(0, this, [this, path] {
    Guarded([&] {
      const TBusyCursor busy;
      controller_->InstallCharacterPackage(QFile::encodeName(path).toStdString());
    });
  });
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
  const bool desktopWindow = watched == desktopCharacter_.get() ||
                             (desktopBalloon_ != nullptr && watched == desktopBalloon_);
  if (desktopWindow && event->type() == QEvent::DragEnter) {
    dragEnterEvent(static_cast<QDragEnterEvent*>(event));
    return true;
  }
  if (desktopWindow && event->type() == QEvent::Drop) {
    dropEvent(static_cast<QDropEvent*>(event));
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kelmo
