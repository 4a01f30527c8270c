// The running program's end of the hand-over: a worker thread that serves second starts'
// connections side by side, reads each request and has it acted on by the main thread, where the
// conversation lives, then writes the answer back.
//
// The server listens from the moment the program folder's lock is taken, before the conversation
// can act on anything: a request that comes while the program starts up is held until the front
// end attaches its handler (Attach), and answered Busy when that does not happen within
// kMainThreadPatience (a start-up dialog left open), so a second start during the start-up is
// taken as soon as the conversation is up instead of waiting for a socket. Each connection has
// its own deadlines: a request must arrive within kRequestPatience of the connection, and the main
// thread must begin acting on it within kMainThreadPatience of its arrival; a connection that
// sends nothing, or sends slowly, holds up no other.
//
// The worker never touches the conversation itself: it posts the handler to the main thread
// (TMainThreadCall, the front end's event loop) and goes on serving. A main thread that does not
// take a call in time (stuck in a long plug-in call, say) makes the request Busy, and the call,
// should it run later, does nothing; so every second start gets its answer in bounded time and no
// request is ever acted on after its answer was given. Calls run in the order the requests came.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "charfile/regular_file.h"
#include "instance/hand_over_channel.h"
#include "shell/hand_over.h"

namespace kelmo {

class TMainThreadCall;

// How long a request may take to arrive once its connection is accepted.
inline constexpr std::chrono::milliseconds kRequestPatience{2000};
// How long a request waits for the main thread to begin acting on it.
inline constexpr std::chrono::milliseconds kMainThreadPatience{10000};
// Connections served at once; more wait in the listening socket's queue.
inline constexpr size_t kMaxHandOverConnections = 32;

// The server's deadlines (tests stretch or shorten them).
struct THandOverPatience {
  std::chrono::milliseconds Request = kRequestPatience;
  std::chrono::milliseconds MainThread = kMainThreadPatience;
};

class THandOverServer {
 public:
  // Acts on a request on the main thread and says how it went.
  using THandler = std::function<THandOverAnswer(const THandOverRequest&)>;
  // Starts a thread running body; raises std::system_error when it cannot.
  using TStartThread = std::thread (*)(std::function<void()> body);

  // Listens at socketPath (ListenAt: call only while holding the program folder's lock) for
  // requests meant for canonicalFolder (others are refused) and serves them until destroyed,
  // holding them until Attach, with the deadlines of patience. The worker is started by
  // startThread (a test stands in one that fails). Raises std::system_error when it cannot listen
  // or start its worker, leaving nothing open behind.
  THandOverServer(const std::string& socketPath, std::string canonicalFolder,
                  THandOverPatience patience = {}, TStartThread startThread = &StartThread);

  // Main thread: from now on requests, and those held so far, are acted on by handler, run on the
  // main thread through mainThread, which must outlive the server.
  void Attach(TMainThreadCall& mainThread, THandler handler);

  // Main thread: stops serving. A request whose handler has not run is answered Closing and its
  // call will do nothing; the socket file is removed and the worker joined.
  ~THandOverServer();

  THandOverServer(const THandOverServer&) = delete;
  THandOverServer& operator=(const THandOverServer&) = delete;

 private:
  struct TShared;
  struct TCall;
  struct TConnection;

  static std::thread StartThread(std::function<void()> body) {
    return std::thread(std::move(body));
  }

  void Run();
  void Accept(std::vector<TConnection>& connections);
  // Reads what the connection has sent; false when it is done with (closed or answered).
  bool Receive(TConnection& connection);
  // Takes a whole request line: answers it at once or holds it for its call.
  bool Dispatch(TConnection& connection, std::string_view line);
  // Posts a held request once a handler is attached, and answers the connection whose call has
  // settled or whose time is up; false when it is done with.
  bool Settle(TConnection& connection, std::chrono::steady_clock::time_point now);
  std::shared_ptr<TCall> Post(const THandOverRequest& request);

  std::string canonicalFolder_;
  THandOverPatience patience_;
  std::shared_ptr<TShared> shared_;  // also held by calls still queued on the main thread
  TListener listener_;
  std::thread worker_;
};

}  // namespace kelmo
