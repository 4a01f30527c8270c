// A FIFO for tests of code that must never block on one. Opening a FIFO waits for the other side,
// so code that opens one by mistake would hang the test; here a reader comes after a while,
// unblocks it and drains what it writes, and the test learns that it had to (Rescued) and fails
// instead of hanging.
#pragma once

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace kelmo::testing {

class TFifoRescue {
 public:
  // Makes the FIFO at path and starts watching it.
  explicit TFifoRescue(std::string path) : path_(std::move(path)) {
    made_ = ::mkfifo(path_.c_str(), 0600) == 0;
    if (made_) watch_ = std::thread([this] { Watch(); });
  }
  ~TFifoRescue() { Rescued(); }
  TFifoRescue(const TFifoRescue&) = delete;
  TFifoRescue& operator=(const TFifoRescue&) = delete;

  bool Made() const { return made_; }

  // Ends the watch; true when a reader had to come to unblock the code under test.
  bool Rescued() {
    done_ = true;
    if (watch_.joinable()) watch_.join();
    return rescued_;
  }

 private:
  static constexpr std::chrono::seconds kPatience{10};

  void Watch() {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!done_ && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (done_) return;
    rescued_ = true;
    std::ifstream reader(path_);
    while (!done_ && reader.get() != EOF) {
    }
  }

  std::string path_;
  bool made_ = false;
  std::atomic<bool> done_ = false;
  std::atomic<bool> rescued_ = false;
  std::thread watch_;
};

}  // namespace kelmo::testing
