// The running program's end of the hand-over: a worker thread that accepts second starts'
// connections one at a time, reads each request and has it acted on by the main thread, where
// the conversation lives, then writes the answer back.
//
// The worker never touches the conversation itself: it posts the handler to the main thread
// (TMainThreadCall, the front end's event loop) and waits. A main thread that does not take the
// call within kMainThreadPatience (stuck in a long plug-in call, say) makes the request Busy, and
// the call, should it run later, does nothing; so every second start gets its answer in bounded
// time and no request is ever acted on after its answer was given.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "charfile/regular_file.h"
#include "instance/hand_over_channel.h"
#include "shell/hand_over.h"

namespace kelmo {

class TMainThreadCall;

// How long a request may take to arrive once its connection is accepted.
inline constexpr std::chrono::milliseconds kRequestPatience{2000};
// How long a request waits for the main thread to begin acting on it.
inline constexpr std::chrono::milliseconds kMainThreadPatience{10000};

class THandOverServer {
 public:
  // Acts on a request on the main thread and says how it went.
  using THandler = std::function<THandOverAnswer(const THandOverRequest&)>;
  // Starts a thread running body; raises std::system_error when it cannot.
  using TStartThread = std::thread (*)(std::function<void()> body);

  // Listens at socketPath (ListenAt: call only while holding the program folder's lock) for
  // requests meant for canonicalFolder (others are refused) and serves them until destroyed.
  // handler runs on the main thread, posted through mainThread, which must outlive the server.
  // The worker is started by startThread (a test stands in one that fails). Raises
  // std::system_error when it cannot listen or start its worker, leaving nothing open behind.
  THandOverServer(const std::string& socketPath, std::string canonicalFolder,
                  TMainThreadCall& mainThread, THandler handler,
                  TStartThread startThread = &StartThread);

  // Main thread: stops serving. A request whose handler has not run is answered Closing and its
  // call will do nothing; the socket file is removed and the worker joined (waiting at most
  // kRequestPatience for a request being read).
  ~THandOverServer();

  THandOverServer(const THandOverServer&) = delete;
  THandOverServer& operator=(const THandOverServer&) = delete;

 private:
  struct TShared;

  static std::thread StartThread(std::function<void()> body) {
    return std::thread(std::move(body));
  }

  void Run();
  void Serve(int connection);
  THandOverAnswer RunOnMainThread(const THandOverRequest& request);

  std::string canonicalFolder_;
  TMainThreadCall& mainThread_;
  THandler handler_;
  std::shared_ptr<TShared> shared_;  // also held by calls still queued on the main thread
  TListener listener_;
  TPipe stopPipe_;  // written to stop the worker
  std::thread worker_;
};

}  // namespace kelmo
