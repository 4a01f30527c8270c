// The hand-over state is one mutex, one condition variable and a small state machine for the
// notice: kWatching while the worker watches, kPending once it waits for the notice, kRunning
// while the main thread runs it, kDelivered afterwards. Only the main thread moves the notice out
// of kPending, so the notice runs exactly once and always on the main thread.
#include "engine/entrust.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "engine/external_program.h"

namespace kelmo {
namespace {

// One slice of the watch: the longest the worker looks away from its stop request.
constexpr std::chrono::milliseconds kWatchSlice{100};
// The lowest scheduling priority a thread can give itself (the highest nice value).
constexpr int kLowestPriorityNice = 19;

enum class TNoticeState { kWatching, kPending, kRunning, kDelivered };

}  // namespace

struct TEntrust::THandOver {
  std::mutex mutex;
  std::condition_variable changed;
  bool stopRequested = false;
  bool endProgram = false;  // a program still running when the watch stops is ended
  bool threadDone = false;
  TNoticeState notice = TNoticeState::kWatching;
  TCompletionNotice completionNotice;

  // Main thread: runs the notice if it is pending; true when it did.
  bool RunPendingNotice() {
    TCompletionNotice call;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (notice != TNoticeState::kPending) return false;
      notice = TNoticeState::kRunning;
      call = std::move(completionNotice);
    }
    call();
    {
      std::lock_guard<std::mutex> lock(mutex);
      notice = TNoticeState::kDelivered;
    }
    changed.notify_all();
    return true;
  }
};

TEntrust::TEntrust(TCompletionNotice completionNotice, pid_t processHandle,
                   TMainThreadCall* mainThread)
    : processHandle_(processHandle),
      mainThread_(mainThread),
      handOver_(std::make_shared<THandOver>()) {
  handOver_->completionNotice = std::move(completionNotice);
}

TEntrust::~TEntrust() {
  if (!started_) {
    if (handOver_->endProgram) {
      EndProcessGroup(processHandle_);
    } else {
      ReapWhenEnded(processHandle_);
    }
    return;
  }
  Terminate();
  WaitFor();
}

void TEntrust::EndProgram() {
  {
    std::lock_guard<std::mutex> lock(handOver_->mutex);
    handOver_->endProgram = true;
  }
  Terminate();
  WaitFor();
}

void TEntrust::Start() {
  if (started_) return;
  thread_ = std::thread([this] { Execute(); });
  started_ = true;
}

void TEntrust::Terminate() {
  {
    std::lock_guard<std::mutex> lock(handOver_->mutex);
    handOver_->stopRequested = true;
  }
  handOver_->changed.notify_all();
}

void TEntrust::WaitFor() {
  if (!thread_.joinable()) return;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(handOver_->mutex);
      handOver_->changed.wait(lock, [this] {
        return handOver_->threadDone || handOver_->notice == TNoticeState::kPending;
      });
      if (handOver_->threadDone) break;
    }
    handOver_->RunPendingNotice();
  }
  thread_.join();
}

bool TEntrust::DeliverPendingNotice() {
  return handOver_->RunPendingNotice();
}

void TEntrust::Execute() {
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kLowestPriorityNice);
  THandOver& handOver = *handOver_;

  bool ended = false;
  bool endProgram = false;
  {
    std::unique_lock<std::mutex> lock(handOver.mutex);
    while (!handOver.stopRequested) {
      lock.unlock();
      ended = ProcessHasEnded(processHandle_);
      lock.lock();
      if (ended) break;
      handOver.changed.wait_for(lock, kWatchSlice, [&] { return handOver.stopRequested; });
    }
    endProgram = handOver.endProgram;
  }
  // The watch is over: the program was reaped, or it is ended, or the reaper takes it over.
  if (!ended) {
    if (endProgram) {
      EndProcessGroup(processHandle_);
    } else {
      ReapWhenEnded(processHandle_);
    }
  }

  std::unique_lock<std::mutex> lock(handOver.mutex);
  if (handOver.completionNotice) {
    handOver.notice = TNoticeState::kPending;
    handOver.changed.notify_all();
    if (mainThread_ != nullptr) {
      lock.unlock();
      mainThread_->Post([handOver = handOver_] { handOver->RunPendingNotice(); });
      lock.lock();
    }
    handOver.changed.wait(lock, [&] { return handOver.notice == TNoticeState::kDelivered; });
  }
  handOver.threadDone = true;
  handOver.changed.notify_all();
}

}  // namespace kelmo
