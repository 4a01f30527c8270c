// The character's own window on the desktop (`TDesktopCharacter`): the picture without a frame,
// dragged about with the left mouse button. A press and release that moves less than the
// platform's drag distance is a click, which the owner answers as a click on the picture in the
// window (the balloon takes the keyboard).
#pragma once

#include <QPoint>

#include "gui/desktop_window.h"

namespace kelmo {

class TDesktopCharacter : public TDesktopWindow {
  Q_OBJECT

 public:
  // translucent and offTaskbar as TDesktopWindow's.
  TDesktopCharacter(bool translucent, bool offTaskbar, QWidget* parent = nullptr);

 signals:
  // The left button was released without a drag.
  void Clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
  bool dragging_ = false;
  QPoint pressCursor_;  // the cursor's global place at the press
  QPoint pressPlace_;   // the window's place at the press
};

}  // namespace kelmo
