// Queued calls through Qt's event loop.
#include "gui/qt_main_thread.h"

#include <QMetaObject>
#include <utility>

namespace kelmo {

void TQtMainThreadCall::Post(std::function<void()> call) {
  QMetaObject::invokeMethod(&receiver_, std::move(call), Qt::QueuedConnection);
}

}  // namespace kelmo
