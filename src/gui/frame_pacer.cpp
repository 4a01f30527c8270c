// The frame pacer: an event filter on the window's update requests.
#include "gui/frame_pacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cmath>

namespace kelmo {
namespace {

// The refresh rate of a screen that does not say.
constexpr qreal kDefaultRefreshRate = 60;

}  // namespace

TFramePacer::TFramePacer(QWidget& window) : QObject(&window), window_(window) {
  window_.installEventFilter(this);
}

qint64 TFramePacer::FrameMs() const {
  const qreal rate = window_.screen() != nullptr ? window_.screen()->refreshRate() : 0;
  return static_cast<qint64>(std::ceil(1000 / (rate > 0 ? rate : kDefaultRefreshRate)));
}

bool TFramePacer::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &window_ || event->type() != QEvent::UpdateRequest) return false;
  if (letThrough_ || !sincePaint_.isValid() || sincePaint_.elapsed() >= FrameMs()) {
    letThrough_ = false;
    sincePaint_.start();
    return false;
  }
  // Held: the window asks for no other paint until this one has run, and changes made meanwhile
  // add to the region it paints.
  if (held_) return true;
  held_ = true;
  QTimer::singleShot(FrameMs() - sincePaint_.elapsed(), this, [this] {
    held_ = false;
    letThrough_ = true;
    QCoreApplication::postEvent(&window_, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
  });
  return true;
}

}  // namespace kelmo
