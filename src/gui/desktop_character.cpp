// The character's window: the drag moves the window itself, which the balloon follows.
#include "gui/desktop_character.h"

#include <QApplication>
#include <QMouseEvent>

namespace kelmo {

TDesktopCharacter::TDesktopCharacter(bool translucent, bool offTaskbar, QWidget* parent)
    : TDesktopWindow("DesktopCharacter", Qt::Window, translucent, offTaskbar, parent) {}

void TDesktopCharacter::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    TDesktopWindow::mousePressEvent(event);
    return;
  }
  pressed_ = true;
  dragging_ = false;
  pressCursor_ = event->globalPosition().toPoint();
  pressPlace_ = pos();
}

void TDesktopCharacter::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_ || !(event->buttons() & Qt::LeftButton)) return;
  const QPoint moved = event->globalPosition().toPoint() - pressCursor_;
  if (!dragging_ && moved.manhattanLength() < QApplication::startDragDistance()) return;
  dragging_ = true;
  move(pressPlace_ + moved);
}

void TDesktopCharacter::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) {
    TDesktopWindow::mouseReleaseEvent(event);
    return;
  }
  pressed_ = false;
  if (!dragging_) emit Clicked();
  dragging_ = false;
}

}  // namespace kelmo
