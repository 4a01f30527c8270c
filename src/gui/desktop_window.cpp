// The frameless desktop window.
#include "gui/desktop_window.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QShowEvent>
#include <QWindow>

#include "gui/x11_window.h"

namespace kelmo {

TDesktopWindow::TDesktopWindow(const QString& objectName, Qt::WindowFlags flags, bool translucent,
                               bool offTaskbar, QWidget* parent)
    : QWidget(parent, flags | Qt::FramelessWindowHint),
      translucent_(translucent),
      offTaskbar_(offTaskbar) {
  setObjectName(objectName);
  if (translucent_) {
    // Before the native window exists: it needs a visual with alpha.
    setAttribute(Qt::WA_TranslucentBackground);
  } else {
    QPalette background = palette();
    background.setColor(QPalette::Window, palette().color(QPalette::Button));
    setPalette(background);
    setAutoFillBackground(true);
  }
}

bool TDesktopWindow::SetShape(const QRegion& shape) {
  if (windowHandle() == nullptr) create();
  if (shape == windowHandle()->mask()) return false;
  windowHandle()->setMask(shape);
  return true;
}

QRegion TDesktopWindow::Shape() const {
  return windowHandle() != nullptr ? windowHandle()->mask() : QRegion();
}

void TDesktopWindow::contextMenuEvent(QContextMenuEvent* event) {
  emit MenuRequested(event->globalPos());
}

void TDesktopWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  emit CloseRequested();
}

void TDesktopWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  emit Moved();
}

void TDesktopWindow::showEvent(QShowEvent* event) {
  if (offTaskbar_ && !event->spontaneous()) KeepOffTaskbar(*this);
  QWidget::showEvent(event);
  emit ShownOrHidden();
}

void TDesktopWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  emit ShownOrHidden();
}

void TDesktopWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) emit WindowStateChanged();
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) emit Activated();
}

}  // namespace kelmo
