// The hand-over worker: one poll loop over the listening socket, a wake-up pipe and every open
// connection, each with its own deadline.
#include "instance/hand_over_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>

#include "engine/main_thread_call.h"

namespace kelmo {
namespace {

using TClock = std::chrono::steady_clock;

// Answers of the server itself (UTF-8).
constexpr std::string_view kOtherFolderMessage = "別のフォルダの DorrinKelmo に届きました";
constexpr std::string_view kNoTimeMessage = "DorrinKelmo は応答できません (ほかの処理の途中です)";
constexpr std::string_view kStartingMessage =
    "DorrinKelmo は起動の途中です "
    "(設定などのダイアログが開いています)。起動し終えてから、もう一度どうぞ";

// Bytes read from a connection at once.
constexpr size_t kReadChunk = 4096;

// Where a request's call stands.
enum class TPhase { Waiting, Running, Done, Abandoned };

// Longest single wait of the worker; it wakes for calls and the stop anyway.
constexpr std::chrono::milliseconds kLongestWait{10000};

// The poll time-out until deadline: at least 0, rounded up so the deadline has passed on waking.
int MillisecondsUntil(TClock::time_point deadline, TClock::time_point now) {
  if (deadline <= now) return 0;
  if (deadline - now >= kLongestWait) return static_cast<int>(kLongestWait.count());
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count());
}

void Answer(int socket, const THandOverAnswer& answer) {
  WriteMessage(socket, EncodeAnswer(answer));
}

}  // namespace

// What the worker, the main thread's calls and the destructor share.
struct THandOverServer::TShared {
  std::mutex mutex;
  bool stopping = false;
  TMainThreadCall* mainThread = nullptr;  // with handler, set by Attach
  THandler handler;
  TPipe wake;  // written when a call has settled or the server stops

  void Wake() {
    const char byte = 1;
    // A full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t written = ::write(wake.Write.Get(), &byte, 1);
  }
};

// One request's call on the main thread; guarded by TShared::mutex.
struct THandOverServer::TCall {
  TPhase Phase = TPhase::Waiting;
  THandOverAnswer Result;
};

// A connection of the worker's: reading its request, then (while the program starts up) holding
// it, then waiting for its call.
struct THandOverServer::TConnection {
  TFileDescriptor Socket;
  std::string Received;
  TClock::time_point Deadline;
  std::optional<THandOverRequest> Held;  // read before a handler was attached
  std::shared_ptr<TCall> Call;           // posted to the main thread

  bool RequestRead() const { return Held || Call; }
};

THandOverServer::THandOverServer(const std::string& socketPath, std::string canonicalFolder,
                                 THandOverPatience patience, TStartThread startThread)
    : canonicalFolder_(std::move(canonicalFolder)),
      patience_(patience),
      shared_(std::make_shared<TShared>()),
      listener_(ListenAt(socketPath)) {
  shared_->wake = MakePipe(O_CLOEXEC | O_NONBLOCK);
  worker_ = startThread([this] { Run(); });
}

void THandOverServer::Attach(TMainThreadCall& mainThread, THandler handler) {
  {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->mainThread = &mainThread;
    shared_->handler = std::move(handler);
  }
  shared_->Wake();  // requests held during the start-up go to the main thread now
}

THandOverServer::~THandOverServer() {
  {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->stopping = true;
  }
  shared_->Wake();
  worker_.join();
}

void THandOverServer::Run() {
  std::vector<TConnection> connections;
  while (true) {
    const TClock::time_point before = TClock::now();
    std::vector<pollfd> watches;
    watches.push_back({shared_->wake.Read.Get(), POLLIN, 0});
    const bool accepting = connections.size() < kMaxHandOverConnections;
    watches.push_back({accepting ? listener_.Socket.Get() : -1, POLLIN, 0});
    int timeout = -1;
    for (const TConnection& connection : connections) {
      // Once its request is read, a connection waits for its call, not for its socket.
      watches.push_back({connection.RequestRead() ? -1 : connection.Socket.Get(), POLLIN, 0});
      const int left = MillisecondsUntil(connection.Deadline, before);
      timeout = timeout < 0 ? left : std::min(timeout, left);
    }
    if (::poll(watches.data(), watches.size(), timeout) < 0 && errno != EINTR) return;
    // Drained before the shared state is read: a wake that comes after the read leaves its byte
    // for the next poll instead of being swallowed with the earlier ones.
    if (watches[0].revents != 0) {
      char drain[64];
      while (::read(shared_->wake.Read.Get(), drain, sizeof drain) > 0) {
      }
    }

    bool stopping;
    {
      const std::lock_guard<std::mutex> lock(shared_->mutex);
      stopping = shared_->stopping;
      if (stopping) {
        // This runs while the main thread is in the destructor, so no call is running: one still
        // queued is abandoned and does nothing when it runs.
        for (const TConnection& connection : connections) {
          if (connection.Call && connection.Call->Phase == TPhase::Waiting) {
            connection.Call->Phase = TPhase::Abandoned;
          }
        }
      }
    }
    const size_t polled = connections.size();
    if (!stopping && watches[1].revents != 0) Accept(connections);

    const TClock::time_point now = TClock::now();
    std::vector<TConnection> open;
    for (size_t i = 0; i < connections.size(); ++i) {
      TConnection& connection = connections[i];
      bool keep = true;
      if (i < polled && !connection.RequestRead() && watches[2 + i].revents != 0) {
        keep = Receive(connection);
      }
      if (keep) keep = Settle(connection, now);
      if (keep && !stopping) open.push_back(std::move(connection));
    }
    connections = std::move(open);
    if (stopping) return;
  }
}

void THandOverServer::Accept(std::vector<TConnection>& connections) {
  while (connections.size() < kMaxHandOverConnections) {
    TFileDescriptor socket(
        ::accept4(listener_.Socket.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (!socket.IsOpen()) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // none left (EAGAIN), or out of descriptors for now
    }
    // Only this user's programs may ask; others are not even answered.
    if (!PeerIsSameUser(socket.Get())) continue;
    connections.push_back({std::move(socket), {}, TClock::now() + patience_.Request, {}, nullptr});
  }
}

bool THandOverServer::Receive(TConnection& connection) {
  char buffer[kReadChunk];
  while (true) {
    const ssize_t count = ::recv(connection.Socket.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (count <= 0) return false;  // closed before its request was whole
    const size_t searched = connection.Received.size();
    connection.Received.append(buffer, static_cast<size_t>(count));
    const size_t end = connection.Received.find('\n', searched);
    const size_t length = end == std::string::npos ? connection.Received.size() : end;
    if (length >= kHandOverMessageLimit) {
      Answer(connection.Socket.Get(), {THandOverStatus::Refused, OverLimitMessage()});
      return false;
    }
    if (end != std::string::npos) {
      return Dispatch(connection, std::string_view(connection.Received).substr(0, end));
    }
  }
}

bool THandOverServer::Dispatch(TConnection& connection, std::string_view line) {
  const std::optional<TReceivedRequest> received = DecodeRequest(line);
  if (!received) return false;
  const int socket = connection.Socket.Get();
  if (received->Folder != canonicalFolder_) {
    Answer(socket, {THandOverStatus::Refused, std::string(kOtherFolderMessage)});
    return false;
  }
  connection.Received.clear();
  connection.Held = received->Request;  // Settle posts it once a handler is attached
  connection.Deadline = TClock::now() + patience_.MainThread;
  return true;
}

std::shared_ptr<THandOverServer::TCall> THandOverServer::Post(const THandOverRequest& request) {
  auto call = std::make_shared<TCall>();
  TMainThreadCall* mainThread;
  THandler handler;
  {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    mainThread = shared_->mainThread;
    handler = shared_->handler;
  }
  mainThread->Post([shared = shared_, handler = std::move(handler), request, call] {
    {
      const std::lock_guard<std::mutex> guard(shared->mutex);
      if (call->Phase != TPhase::Waiting) return;
      call->Phase = TPhase::Running;
    }
    THandOverAnswer answer;
    try {
      answer = handler(request);
    } catch (const std::exception& error) {
      answer = {THandOverStatus::Busy, error.what()};
    }
    {
      const std::lock_guard<std::mutex> guard(shared->mutex);
      call->Result = std::move(answer);
      call->Phase = TPhase::Done;
    }
    shared->Wake();
  });
  return call;
}

bool THandOverServer::Settle(TConnection& connection, TClock::time_point now) {
  const int socket = connection.Socket.Get();
  if (!connection.RequestRead()) return now < connection.Deadline;  // not come in time: closed
  if (connection.Held) {
    bool attached;
    bool stopping;
    {
      const std::lock_guard<std::mutex> lock(shared_->mutex);
      attached = shared_->mainThread != nullptr;
      stopping = shared_->stopping;
    }
    if (stopping) {
      Answer(socket, {THandOverStatus::Closing, std::string(kClosingMessage)});
      return false;
    }
    if (!attached) {
      if (now < connection.Deadline) return true;
      Answer(socket, {THandOverStatus::Busy, std::string(kStartingMessage)});
      return false;
    }
    connection.Call = Post(*connection.Held);
    connection.Held.reset();
  }
  THandOverAnswer answer;
  {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    TCall& call = *connection.Call;
    switch (call.Phase) {
      case TPhase::Running:
        // A call that began before the deadline is waited for to its end, which wakes the worker.
        connection.Deadline = TClock::time_point::max();
        return true;
      case TPhase::Waiting:
        if (now < connection.Deadline) return true;
        call.Phase = TPhase::Abandoned;
        answer = {THandOverStatus::Busy, std::string(kNoTimeMessage)};
        break;
      case TPhase::Done:
        answer = call.Result;
        break;
      case TPhase::Abandoned:
        answer = {THandOverStatus::Closing, std::string(kClosingMessage)};
        break;
    }
  }
  Answer(socket, answer);
  return false;
}

}  // namespace kelmo
