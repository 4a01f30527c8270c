// The hand-over worker.
#include "instance/hand_over_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <utility>

#include "engine/main_thread_call.h"
#include "instance/hand_over_channel.h"

namespace kelmo {
namespace {

// Answers of the server itself (UTF-8).
constexpr std::string_view kOtherFolderMessage = "別のフォルダの DorrinKelmo に届きました";
constexpr std::string_view kNoTimeMessage = "DorrinKelmo は応答できません (ほかの処理の途中です)";

// Where the current request's call stands.
enum class TPhase { Waiting, Running, Done, Abandoned };

}  // namespace

// What the worker, the main thread's calls and the destructor share.
struct THandOverServer::TShared {
  std::mutex mutex;
  std::condition_variable changed;
  bool stopping = false;
  unsigned long long request = 0;  // numbers the requests; a call acts only on the current one
  TPhase phase = TPhase::Done;
  THandOverAnswer answer;
};

THandOverServer::THandOverServer(const std::string& socketPath, std::string canonicalFolder,
                                 TMainThreadCall& mainThread, THandler handler,
                                 TStartThread startThread)
    : canonicalFolder_(std::move(canonicalFolder)),
      mainThread_(mainThread),
      handler_(std::move(handler)),
      shared_(std::make_shared<TShared>()),
      listener_(ListenAt(socketPath)),
      stopPipe_(MakePipe(O_CLOEXEC)),
      worker_(startThread([this] { Run(); })) {}

THandOverServer::~THandOverServer() {
  {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->stopping = true;
    // This runs on the main thread, so no call is running: one still queued is abandoned.
    if (shared_->phase == TPhase::Waiting) shared_->phase = TPhase::Abandoned;
  }
  shared_->changed.notify_all();
  const char wake = 1;
  [[maybe_unused]] const ssize_t written = ::write(stopPipe_.Write.Get(), &wake, 1);
  worker_.join();
}

void THandOverServer::Run() {
  while (true) {
    pollfd watches[2] = {{listener_.Socket.Get(), POLLIN, 0}, {stopPipe_.Read.Get(), POLLIN, 0}};
    if (::poll(watches, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (watches[1].revents != 0) return;
    const TFileDescriptor connection(
        ::accept4(listener_.Socket.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (connection.IsOpen()) Serve(connection.Get());
  }
}

void THandOverServer::Serve(int connection) {
  // Only this user's programs may ask; others are not even answered.
  if (!PeerIsSameUser(connection)) return;
  const std::optional<std::string> line = ReadMessage(connection, kRequestPatience);
  if (!line) return;
  const std::optional<TReceivedRequest> received = DecodeRequest(*line);
  if (!received) return;
  THandOverAnswer answer;
  if (received->Folder != canonicalFolder_) {
    answer = {THandOverStatus::Refused, std::string(kOtherFolderMessage)};
  } else {
    answer = RunOnMainThread(received->Request);
  }
  WriteMessage(connection, EncodeAnswer(answer));
}

THandOverAnswer THandOverServer::RunOnMainThread(const THandOverRequest& request) {
  std::unique_lock<std::mutex> lock(shared_->mutex);
  if (shared_->stopping) return {THandOverStatus::Closing, std::string(kClosingMessage)};
  const unsigned long long number = ++shared_->request;
  shared_->phase = TPhase::Waiting;
  lock.unlock();

  mainThread_.Post([shared = shared_, handler = handler_, request, number] {
    {
      const std::lock_guard<std::mutex> guard(shared->mutex);
      if (shared->request != number || shared->phase != TPhase::Waiting) return;
      shared->phase = TPhase::Running;
    }
    THandOverAnswer answer;
    try {
      answer = handler(request);
    } catch (const std::exception& error) {
      answer = {THandOverStatus::Busy, error.what()};
    }
    {
      const std::lock_guard<std::mutex> guard(shared->mutex);
      shared->answer = std::move(answer);
      shared->phase = TPhase::Done;
    }
    shared->changed.notify_all();
  });

  lock.lock();
  const auto deadline = std::chrono::steady_clock::now() + kMainThreadPatience;
  const auto settled = [&] {
    return shared_->phase == TPhase::Done || shared_->phase == TPhase::Abandoned;
  };
  if (!shared_->changed.wait_until(lock, deadline, settled) && shared_->phase == TPhase::Waiting) {
    shared_->phase = TPhase::Abandoned;
    return {THandOverStatus::Busy, std::string(kNoTimeMessage)};
  }
  // A call that began before the deadline is waited for to its end.
  shared_->changed.wait(lock, settled);
  if (shared_->phase == TPhase::Abandoned) {
    return {THandOverStatus::Closing, std::string(kClosingMessage)};
  }
  return shared_->answer;
}

}  // namespace kelmo
