// The self-pipe hand-over.
#include "tty/main_thread_queue.h"

#include <fcntl.h>
#include <unistd.h>

#include <utility>

namespace kelmo {

TMainThreadQueue::TMainThreadQueue() : pipe_(MakePipe(O_CLOEXEC | O_NONBLOCK)) {}

void TMainThreadQueue::Post(std::function<void()> call) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(std::move(call));
  }
  const char wake = 1;
  // EAGAIN means the pipe is full of wake-ups already; nothing is lost.
  [[maybe_unused]] const ssize_t written = ::write(pipe_.Write.Get(), &wake, 1);
}

void TMainThreadQueue::RunPending() {
  char drain[256];
  while (::read(WakeFd(), drain, sizeof drain) > 0) {
  }
  std::deque<std::function<void()>> calls;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    calls.swap(calls_);
  }
  for (std::function<void()>& call : calls) call();
}

}  // namespace kelmo
