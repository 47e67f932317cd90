#include "platform/threads.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "testsupport/sanitizer.h"

namespace {

using qv_platform::BackgroundTask;
using qv_platform::runSideBySide;

// Leaves this process no room for another thread's stack: address space
// just above what it uses now.
void allowNoMoreThreads() {
  long pages = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
    std::fclose(f);
  }
  const rlim_t bytes = static_cast<rlim_t>(pages) * 4096 + (1 << 20);
  const rlimit limit{bytes, bytes};
  if (pages == 0 || setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(2);
}

TEST(Threads, SideBySideRunsTheFirstPartOnASecondThreadAndReturnsWhenBothAreDone) {
  std::vector<int> values(2000, 0);
  std::thread::id firstOn;
  runSideBySide(
      [&] {
        firstOn = std::this_thread::get_id();
        for (size_t i = 0; i < 1000; ++i) values[i] = 1;
      },
      [&] {
        for (size_t i = 1000; i < 2000; ++i) values[i] = 2;
      });
  EXPECT_NE(firstOn, std::this_thread::get_id());
  for (size_t i = 0; i < values.size(); ++i) ASSERT_EQ(values[i], i < 1000 ? 1 : 2) << i;
}

TEST(Threads, BackgroundTaskRunsElsewhereAndIsStartedUntilJoined) {
  BackgroundTask task;
  EXPECT_FALSE(task.started());
  task.join();  // nothing started: returns at once
  std::atomic<bool> ran{false};
  std::thread::id on;
  ASSERT_TRUE(task.start([&] {
    on = std::this_thread::get_id();
    ran = true;
  }));
  EXPECT_TRUE(task.started());
  task.join();
  EXPECT_TRUE(ran);
  EXPECT_NE(on, std::this_thread::get_id());
  EXPECT_FALSE(task.started());
}

TEST(Threads, BackgroundTaskIsJoinedWhenItGoesAway) {
  std::atomic<int> done{0};
  {
    BackgroundTask task;
    ASSERT_TRUE(task.startOrRunHere([&] {
      for (int i = 0; i < 100000; ++i) done.fetch_add(1, std::memory_order_relaxed);
    }));
  }
  EXPECT_EQ(done.load(), 100000);
}

// Without a thread to be had, each way falls back to this thread: start()
// says so and runs nothing, startOrRunHere() and runSideBySide() run the
// work here (side by side: the first part, then the second).
TEST(Threads, WithoutAThreadTheWorkRunsHere) {
  if (qvtest::kSanitizerReservesAddressSpace) GTEST_SKIP() << "the sanitizer needs more address space";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        allowNoMoreThreads();
        const std::thread::id here = std::this_thread::get_id();
        BackgroundTask task;
        bool ran = false;
        if (task.start([&] { ran = true; }) || ran || task.started()) std::_Exit(3);
        std::thread::id on;
        if (task.startOrRunHere([&] { on = std::this_thread::get_id(); }) || on != here) std::_Exit(4);
        std::vector<int> order;
        runSideBySide([&] { order.push_back(1); }, [&] { order.push_back(2); });
        if (order != std::vector<int>{1, 2}) std::_Exit(5);
        std::_Exit(0);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
