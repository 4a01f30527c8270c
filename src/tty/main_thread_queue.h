// The front ends' hand-over of work from worker threads to the main thread: a queue guarded by a
// mutex and a self-pipe. Post appends the call and writes one byte into the pipe, so a main loop
// that polls WakeFd() wakes up at once and runs RunPending. A loop that never polls (the batch
// mode) calls RunPending between its steps.
#pragma once

#include <deque>
#include <functional>
#include <mutex>

#include "charfile/regular_file.h"
#include "engine/main_thread_call.h"

namespace kelmo {

class TMainThreadQueue : public TMainThreadCall {
 public:
  // Creates the pipe; raises std::system_error when it cannot.
  TMainThreadQueue();

  TMainThreadQueue(const TMainThreadQueue&) = delete;
  TMainThreadQueue& operator=(const TMainThreadQueue&) = delete;

  // Any thread: queues the call and wakes the main loop. Never blocks (a full pipe already
  // guarantees a wake-up).
  void Post(std::function<void()> call) override;

  // The pipe's reading end: readable while calls are pending.
  int WakeFd() const { return pipe_.Read.Get(); }

  // Main thread: empties the pipe and runs the calls queued so far, in order. Calls posted while
  // they run wait for the next RunPending.
  void RunPending();

 private:
  TPipe pipe_;
  std::mutex mutex_;
  std::deque<std::function<void()>> calls_;
};

}  // namespace kelmo
