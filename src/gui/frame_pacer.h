// Painting a window at most once per frame of its screen. A widget's change asks for a paint of
// its window at once, so a reply typed faster than the screen refreshes would paint letters no
// frame ever shows. The pacer holds back a window's paint that comes within one frame of the last
// and lets it run when that frame is over, with every change made meanwhile: one paint of the
// region they touched instead of one per change.
#pragma once

#include <QElapsedTimer>
#include <QObject>

class QWidget;

namespace kelmo {

class TFramePacer : public QObject {
 public:
  // Paces window (a top-level widget), which owns the pacer.
  explicit TFramePacer(QWidget& window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The frame's length on the window's screen.
  qint64 FrameMs() const;

  QWidget& window_;
  QElapsedTimer sincePaint_;  // started by each paint let through
  bool held_ = false;         // a paint waits for the frame's end
  bool letThrough_ = false;   // the held paint is on its way
};

}  // namespace kelmo
