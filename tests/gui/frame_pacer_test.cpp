// The frame pacer: a paint after a quiet frame runs at once, paints asked for faster come at most
// once per frame, and a held paint runs when its frame ends with every change made meanwhile.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include "gui/frame_pacer.h"

namespace kelmo::testing {
namespace {

// Longer than any screen's frame.
constexpr int kSeveralFramesMs = 100;
constexpr int kChanges = 30;

class TPaintCounter : public QWidget {
 public:
  int paints = 0;
  QRegion lastPainted;

 protected:
  void paintEvent(QPaintEvent* event) override {
    ++paints;
    lastPainted = event->region();
  }
};

class FramePacerTest : public ::testing::Test {
 protected:
  FramePacerTest() {
    new TFramePacer(window);
    window.resize(200, 100);
    window.show();
    QTest::qWait(kSeveralFramesMs);
  }

  TPaintCounter window;
};

TEST_F(FramePacerTest, PaintAfterAQuietFrameRunsAtOnce) {
  const int before = window.paints;
  window.update();
  QApplication::processEvents();
  EXPECT_EQ(window.paints, before + 1);
}

TEST_F(FramePacerTest, ChangesFasterThanTheScreenArePaintedOncePerFrame) {
  const int before = window.paints;
  const double frameMs = 1000 / window.screen()->refreshRate();
  QElapsedTimer elapsed;
  elapsed.start();
  for (int i = 0; i < kChanges; ++i) {
    window.update(QRect(i, 0, 1, 1));
    QApplication::processEvents();
  }
  const int allowed = static_cast<int>(elapsed.elapsed() / frameMs) + 2;
  EXPECT_LE(window.paints - before, allowed) << "in " << elapsed.elapsed() << " ms";

  // The last change is painted once its frame is over.
  QTest::qWait(kSeveralFramesMs);
  EXPECT_TRUE(window.lastPainted.contains(QPoint(kChanges - 1, 0)));
}

}  // namespace
}  // namespace kelmo::testing
