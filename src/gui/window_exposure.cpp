// Waiting for the window system to expose a window.
#include "gui/window_exposure.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace kelmo {

void ShowExposed(QWidget& window) {
  window.show();
  QTimer patience;
  patience.setSingleShot(true);
  patience.start(kExposurePatienceMs);
  // The timer's own event ends the wait when nothing else comes. Socket notifiers wait too: the
  // termination signals arrive through one, and a close must not run inside a character load.
  while (!window.windowHandle()->isExposed() && patience.isActive()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                    QEventLoop::ExcludeSocketNotifiers |
                                    QEventLoop::WaitForMoreEvents);
  }
}

}  // namespace kelmo
