// The job pool: every part runs once, parts run side by side on the
// workers and the caller, and jobs from several callers take turns.
#include "platform/core/job_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace vk {
namespace {

using namespace std::chrono_literals;

constexpr auto kDeadline = 30s;

TEST(JobPool, RunsEveryPartOnceAndOnlyReturnsWhenAllAreDone) {
  for (size_t workers : {0u, 1u, 3u}) {
    JobPool pool(workers);
    EXPECT_EQ(pool.Lanes(), workers + 1);
    for (size_t count : {1u, 2u, 7u, 64u}) {
      std::vector<std::atomic<int>> runs(count);
      pool.RunAll(count, [&](size_t i) {
        std::this_thread::yield();
        runs[i].fetch_add(1);
      });
      for (size_t i = 0; i < count; ++i) EXPECT_EQ(runs[i].load(), 1) << workers << " workers, part " << i;
    }
    pool.RunAll(0, [](size_t) { ADD_FAILURE() << "no part to run"; });
  }
}

// Each of two parts waits until the other has started: this only ends when
// a worker runs one of them beside the caller.
TEST(JobPool, PartsRunSideBySide) {
  JobPool pool(1);
  std::mutex lock;
  std::condition_variable changed;
  int started = 0;
  bool together = true;
  std::vector<std::thread::id> threads(2);
  pool.RunAll(2, [&](size_t i) {
    threads[i] = std::this_thread::get_id();
    std::unique_lock guard(lock);
    ++started;
    changed.notify_all();
    if (!changed.wait_for(guard, kDeadline, [&] { return started == 2; })) together = false;
  });
  EXPECT_TRUE(together);
  EXPECT_NE(threads[0], threads[1]);
}

TEST(JobPool, CallersTakeTurns) {
  JobPool pool(1);
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  std::atomic<int> total{0};
  auto caller = [&] {
    for (int round = 0; round < 50; ++round) {
      pool.RunAll(4, [&](size_t) {
        if (inside.fetch_add(1) >= 2) overlapped = true;  // more than one job's parts at once
        total.fetch_add(1);
        inside.fetch_sub(1);
      });
    }
  };
  std::thread other(caller);
  caller();
  other.join();
  EXPECT_EQ(total.load(), 2 * 50 * 4);
  EXPECT_FALSE(overlapped.load());
}

}  // namespace
}  // namespace vk
