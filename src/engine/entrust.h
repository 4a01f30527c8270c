// TEntrust: the worker thread that watches the external program a character started.
//
// The worker looks at the process in 100-millisecond slices at the lowest scheduling priority and
// stops when the program ends or when it is asked to stop. Then it reaps the program (or, when
// the program still runs, hands it to a reaper that waits for it: a watch abandoned for a new one
// never stops the program, only the character's end does) and delivers its completion notice on
// the main thread, synchronously: it posts the notice through TMainThreadCall and waits until the
// notice has run.
//
// The subtle part is stopping. The main thread stops a worker and waits for it; if that worker is
// at that moment waiting for its notice, the notice's posted call cannot run (the main thread is
// busy waiting), and both would wait forever. So the main thread, while it waits, runs a notice
// that is pending itself, the way a thread's wait services synchronised calls elsewhere. Whichever
// runs the notice first marks it delivered; the posted call then finds nothing to do, even when it
// runs after the TEntrust is gone (it holds only the shared hand-over state).
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <thread>

#include "engine/main_thread_call.h"

namespace kelmo {

class TEntrust {
 public:
  // Run on the main thread when the watch ends; the character passes its RunnerFinished.
  using TCompletionNotice = std::function<void()>;

  // Prepares the watch over the started process (its id: the process must be a child of this
  // program). The thread does not run until Start. mainThread delivers the notice; without one
  // the notice waits until the main thread calls DeliverPendingNotice or stops the watch.
  TEntrust(TCompletionNotice completionNotice, pid_t processHandle, TMainThreadCall* mainThread);

  // Stops the watch and waits for the thread (Terminate, then WaitFor); never stops the program.
  // A watch that was never started hands its process to the reaper.
  ~TEntrust();

  TEntrust(const TEntrust&) = delete;
  TEntrust& operator=(const TEntrust&) = delete;

  // Starts the thread, which lowers its own priority to the lowest level and runs Execute.
  void Start();

  // Asks the thread to stop watching; it does so within one slice. Any thread.
  void Terminate();

  // Main thread only: stops the watch and waits for the thread as the destructor does, but a
  // program still running then is ended with its whole process group (EndProcessGroup): the
  // character's end is also the end of what it started.
  void EndProgram();

  // Main thread only: waits until the thread has ended, running its notice here if the thread
  // waits for it. Returns at once when the thread was never started or has been waited for.
  void WaitFor();

  // Main thread only: runs the notice now if the thread has ended its watch and waits for the
  // notice; true when it ran it. Lets a reader of RunnerDone see an ended program at once, and
  // keeps a watch working where no main-thread call is available.
  bool DeliverPendingNotice();

 private:
  struct THandOver;

  // The thread's work: watch, reap or hand over, then deliver the notice and wait for it.
  void Execute();

  const pid_t processHandle_;
  TMainThreadCall* const mainThread_;
  // Shared with the calls posted to the main thread, which may outlive this object.
  const std::shared_ptr<THandOver> handOver_;
  std::thread thread_;
  bool started_ = false;
};

}  // namespace kelmo
