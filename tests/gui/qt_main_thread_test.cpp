// The external program runner's notice reaches the main thread through Qt's event loop.
#include "gui/qt_main_thread.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QThread>
#include <thread>

namespace kelmo {
namespace {

TEST(QtMainThreadCall, WorkerCallRunsOnTheMainThreadFromTheEventLoop) {
  TQtMainThreadCall mainThread;
  QThread* ranOn = nullptr;
  std::thread worker([&] { mainThread.Post([&] { ranOn = QThread::currentThread(); }); });
  worker.join();
  EXPECT_EQ(ranOn, nullptr);  // posted, not run on the worker
  EXPECT_TRUE(QTest::qWaitFor([&] { return ranOn != nullptr; }));
  EXPECT_EQ(ranOn, QThread::currentThread());
}

TEST(QtMainThreadCall, CallsStillQueuedWhenTheHandOverGoesAreDropped) {
  bool ran = false;
  {
    TQtMainThreadCall mainThread;
    mainThread.Post([&] { ran = true; });
  }
  QCoreApplication::processEvents();
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace kelmo
