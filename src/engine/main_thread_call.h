// How a worker thread hands work to the main thread. Front ends implement it with their event
// loop (the terminal's poll loop, Qt's queued calls); tests implement it with a queue they pump.
// Waiting for the work to run is the worker's business (TEntrust does it), so Post never blocks.
#pragma once

#include <functional>

namespace kelmo {

class TMainThreadCall {
 public:
  virtual ~TMainThreadCall() = default;

  // Called on a worker thread: arranges for call to run on the main thread soon. Must not block
  // and must not run call on the calling thread. A call may run after whatever posted it is gone
  // (it holds what it needs), and a call that never runs, because the loop ended first, is
  // harmless.
  virtual void Post(std::function<void()> call) = 0;
};

}  // namespace kelmo
