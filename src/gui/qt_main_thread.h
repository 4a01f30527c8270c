// The window front end's hand-over of work from worker threads to the main thread: each call is
// posted into Qt's event loop as a queued call on an object that lives on the main thread.
//
// The external program runner's worker posts its completion notice here and then blocks until the
// notice has run (the worker does the waiting, so posting never blocks and the main thread may
// itself be waiting for the worker without a deadlock). Calls still queued when the object goes
// are dropped with it, which the hand-over's contract allows.
#pragma once

#include <QObject>
#include <functional>

#include "engine/main_thread_call.h"

namespace kelmo {

class TQtMainThreadCall : public TMainThreadCall {
 public:
  // Must be created on the main thread, which then runs every posted call from its event loop.
  TQtMainThreadCall() = default;

  // Any thread: queues the call for the main thread's event loop.
  void Post(std::function<void()> call) override;

 private:
  QObject receiver_;  // lives on the main thread; the queued calls are delivered to it
};

}  // namespace kelmo
