// The self-pipe hand-over: calls from other threads run on the thread that pumps the queue, in
// the order posted, and the pipe tells a poll loop when there is something to run.
#include "tty/main_thread_queue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <thread>
#include <vector>

namespace kelmo {
namespace {

bool Readable(int fd, int timeoutMs) {
  pollfd entry = {fd, POLLIN, 0};
  return ::poll(&entry, 1, timeoutMs) == 1;
}

TEST(MainThreadQueueTest, CallsPostedFromWorkersRunInOrderWhenPumped) {
  TMainThreadQueue queue;
  std::vector<int> ran;
  const std::thread::id mainThread = std::this_thread::get_id();
  bool allOnMainThread = true;
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i) {
      queue.Post([&, i] {
        ran.push_back(i);
        allOnMainThread = allOnMainThread && std::this_thread::get_id() == mainThread;
      });
    }
  });
  worker.join();
  EXPECT_TRUE(ran.empty());  // nothing runs on the posting thread
  ASSERT_TRUE(Readable(queue.WakeFd(), 1000));
  queue.RunPending();
  EXPECT_THAT(ran, ::testing::ElementsAre(0, 1, 2));
  EXPECT_TRUE(allOnMainThread);
  EXPECT_FALSE(Readable(queue.WakeFd(), 0));
}

TEST(MainThreadQueueTest, CallPostedWhileRunningWaitsForTheNextPump) {
  TMainThreadQueue queue;
  int runs = 0;
  queue.Post([&] {
    ++runs;
    queue.Post([&] { ++runs; });
  });
  queue.RunPending();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(Readable(queue.WakeFd(), 0));
  queue.RunPending();
  EXPECT_EQ(runs, 2);
}

TEST(MainThreadQueueTest, ManyPostsNeverBlockThePoster) {
  TMainThreadQueue queue;
  int runs = 0;
  // Far more wake-ups than a pipe holds: the poster must not block on a full pipe.
  for (int i = 0; i < 200000; ++i) queue.Post([&] { ++runs; });
  queue.RunPending();
  EXPECT_EQ(runs, 200000);
}

}  // namespace
}  // namespace kelmo
