// The tests' main-thread call: posted calls wait in a queue until the test's own thread pumps it,
// as a front end's event loop would run them between its other work.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/main_thread_call.h"

namespace kelmo::testing {

class TMainThreadQueue : public TMainThreadCall {
 public:
  void Post(std::function<void()> call) override {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(std::move(call));
  }

  // Runs the calls posted so far on the calling thread; returns how many ran.
  int Pump() {
    std::deque<std::function<void()>> calls;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      calls.swap(calls_);
    }
    for (auto& call : calls) call();
    return static_cast<int>(calls.size());
  }

  // Pumps until done() holds or ten seconds have passed; returns done().
  bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> calls_;
};

}  // namespace kelmo::testing
