// The watch over an entrusted program: the notice arrives once and on the main thread, a stopped
// watch never deadlocks with a notice that waits for the main thread, never stops the program and
// never leaves a zombie.
#include "engine/entrust.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/external_program.h"
#include "main_thread_queue.h"

namespace kelmo {
namespace {

using testing::TMainThreadQueue;

bool IsGone(pid_t process) {
  return !std::filesystem::exists("/proc/" + std::to_string(process));
}

// Waits until the process has left the process table; ten seconds at most.
bool Disappears(pid_t process) {
  for (int i = 0; i < 1000 && !IsGone(process); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return IsGone(process);
}

// Counts the notices and remembers the thread of the last one.
struct TNoticeLog {
  int count = 0;
  std::thread::id thread;
  TEntrust::TCompletionNotice Notice() {
    return [this] {
      ++count;
      thread = std::this_thread::get_id();
    };
  }
};

TEST(Entrust, DeliversTheNoticeOnceOnTheMainThreadAfterTheProgramEnded) {
  TMainThreadQueue mainThread;
  TNoticeLog log;
  const pid_t process = StartProgram("/bin/sleep 0.3");
  ASSERT_GT(process, 0);
  TEntrust entrust(log.Notice(), process, &mainThread);
  entrust.Start();
  EXPECT_EQ(log.count, 0);
  ASSERT_TRUE(mainThread.PumpUntil([&] { return log.count > 0; }));
  EXPECT_EQ(log.thread, std::this_thread::get_id());
  // The watcher reaped the program.
  EXPECT_TRUE(Disappears(process));
  mainThread.Pump();
  EXPECT_EQ(log.count, 1);
}

TEST(Entrust, StoppingAWatchRunsTheWaitingNoticeInsteadOfDeadlocking) {
  TMainThreadQueue mainThread;  // never pumped while the watch stops
  TNoticeLog log;
  const pid_t process = StartProgram("/bin/sleep 0.5");
  ASSERT_GT(process, 0);
  {
    TEntrust entrust(log.Notice(), process, &mainThread);
    entrust.Start();
  }
  EXPECT_EQ(log.count, 1);
  EXPECT_EQ(log.thread, std::this_thread::get_id());
  // The program outlives its watch, and is reaped once it ends.
  EXPECT_EQ(::kill(process, 0), 0);
  EXPECT_TRUE(Disappears(process));
  // The posted call, run after the watch is gone, does nothing.
  mainThread.Pump();
  EXPECT_EQ(log.count, 1);
}

TEST(Entrust, StoppingAfterTheProgramEndedDeliversOnce) {
  TMainThreadQueue mainThread;
  TNoticeLog log;
  const pid_t process = StartProgram("/bin/true");
  ASSERT_GT(process, 0);
  TEntrust entrust(log.Notice(), process, &mainThread);
  entrust.Start();
  // Give the worker time to see the end and post its notice, without pumping.
  for (int i = 0; i < 1000 && IsGone(process) == false; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  entrust.Terminate();
  entrust.WaitFor();
  EXPECT_EQ(log.count, 1);
  mainThread.Pump();
  EXPECT_EQ(log.count, 1);
}

TEST(Entrust, WorksWithoutAMainThreadCallThroughDeliverPendingNotice) {
  TNoticeLog log;
  const pid_t process = StartProgram("/bin/sleep 0.2");
  ASSERT_GT(process, 0);
  TEntrust entrust(log.Notice(), process, nullptr);
  entrust.Start();
  EXPECT_FALSE(entrust.DeliverPendingNotice());
  bool delivered = false;
  for (int i = 0; i < 1000 && !delivered; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    delivered = entrust.DeliverPendingNotice();
  }
  EXPECT_TRUE(delivered);
  EXPECT_EQ(log.count, 1);
  EXPECT_FALSE(entrust.DeliverPendingNotice());
}

TEST(Entrust, AWatchNeverStartedStillReapsItsProgram) {
  TNoticeLog log;
  const pid_t process = StartProgram("/bin/sleep 0.2");
  ASSERT_GT(process, 0);
  { TEntrust entrust(log.Notice(), process, nullptr); }
  EXPECT_EQ(log.count, 0);
  EXPECT_TRUE(Disappears(process));
}

TEST(Entrust, ManyWatchesStoppedAtOnceAllEndAndReapEverything) {
  TMainThreadQueue mainThread;
  TNoticeLog log;
  std::vector<pid_t> processes;
  std::vector<std::unique_ptr<TEntrust>> watches;
  for (int i = 0; i < 20; ++i) {
    processes.push_back(StartProgram(i % 2 ? "/bin/true" : "/bin/sleep 0.3"));
    ASSERT_GT(processes.back(), 0);
    watches.push_back(std::make_unique<TEntrust>(log.Notice(), processes.back(), &mainThread));
    watches.back()->Start();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  mainThread.Pump();
  watches.clear();
  mainThread.Pump();
  EXPECT_EQ(log.count, 20);
  for (pid_t process : processes) EXPECT_TRUE(Disappears(process)) << process;
}

}  // namespace
}  // namespace kelmo
