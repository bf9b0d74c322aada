// The worker-thread helper: stop events, stopping, giving up and waking
// blocked waits.
#include "platform/core/worker_thread.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <string>

#include "platform/core/error_codes.h"

namespace vk {
namespace {

using namespace std::chrono_literals;

// A generous bound for conditions that should come true at once.
constexpr auto kDeadline = 30s;

TEST(ManualResetEvent, StaysSignalledUntilResetAndWakesSubscribers) {
  ManualResetEvent event;
  EXPECT_FALSE(event.IsSet());
  EXPECT_FALSE(event.WaitFor(0ms));
  int woken = 0;
  {
    auto sub = event.OnSet([&] { ++woken; });
    event.Set();
    event.Set();  // already signalled: no second call
    EXPECT_EQ(woken, 1);
    EXPECT_TRUE(event.WaitFor(0ms));
    event.Wait();
  }
  event.Reset();
  EXPECT_FALSE(event.IsSet());
  event.Set();
  EXPECT_EQ(woken, 1);  // the subscription ended
  auto late = event.OnSet([&] { woken += 10; });
  EXPECT_EQ(woken, 11);  // subscribing to a signalled event calls at once
  ManualResetEvent::Subscription moved = std::move(late);
}

TEST(WorkerThread, StopSignalsTheEventAndReturnsTheExitCode) {
  WorkerThread worker;
  EXPECT_EQ(worker.Stop().outcome, ThreadStopOutcome::NoThread);
  EXPECT_EQ(worker.StopEvent(), nullptr);
  ASSERT_EQ(worker.Start([](ManualResetEvent& stop) -> int32_t {
    stop.Wait();
    return 42;
  }),
            0);
  EXPECT_TRUE(worker.Running());
  EXPECT_EQ(worker.Start([](ManualResetEvent&) { return 0; }), ERROR_BUSY);
  auto event = worker.StopEvent();
  ASSERT_NE(event, nullptr);
  EXPECT_FALSE(event->IsSet());
  // One long poll: the wait ends when the thread ends, not when the poll does.
  const ThreadStopResult r = worker.Stop({std::chrono::milliseconds(kDeadline), 1});
  EXPECT_EQ(r.outcome, ThreadStopOutcome::Ended);
  EXPECT_EQ(r.code, 42);
  EXPECT_TRUE(event->IsSet());
  EXPECT_FALSE(worker.Running());
  EXPECT_EQ(worker.StopEvent(), nullptr);

  // A stopped worker starts again with a fresh, unsignalled event.
  std::promise<bool> setAtStart;
  std::future<bool> wasSet = setAtStart.get_future();
  ASSERT_EQ(worker.Start([&setAtStart](ManualResetEvent& stop) -> int32_t {
    setAtStart.set_value(stop.IsSet());
    return 2;
  }),
            0);
  ASSERT_EQ(wasSet.wait_for(kDeadline), std::future_status::ready);
  EXPECT_FALSE(wasSet.get());
  EXPECT_EQ(worker.Stop().code, 2);
}

TEST(WorkerThread, GivingUpLetsTheThreadKeepWhatItUses) {
  struct Work {
    std::promise<int> finished;
    std::u16string data = u"still here";
  };
  auto work = std::make_shared<Work>();
  std::future<int> finished = work->finished.get_future();
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  {
    WorkerThread worker;
    ASSERT_EQ(worker.Start([work, released](ManualResetEvent& stop) -> int32_t {
      released.wait();  // ignores the stop event until the test lets it go
      const bool intact = stop.IsSet() && work->data == u"still here";
      work->finished.set_value(intact ? 7 : 8);
      return 0;
    }),
              0);
    const ThreadStopResult r = worker.Stop({1ms, 3});
    EXPECT_EQ(r.outcome, ThreadStopOutcome::TimedOut);
    EXPECT_EQ(r.code, -1);
    EXPECT_FALSE(worker.Running());
    EXPECT_EQ(worker.Stop().outcome, ThreadStopOutcome::NoThread);
  }              // the owner is gone; the thread still runs
  work.reset();  // only the thread holds its work now
  release.set_value();
  ASSERT_EQ(finished.wait_for(kDeadline), std::future_status::ready);
  EXPECT_EQ(finished.get(), 7);  // its stop event and its data outlived the give-up
}

TEST(WorkerThread, StopWakesAThreadBlockedInASocketReceive) {
  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  WorkerThread worker;
  ASSERT_EQ(worker.Start([fd = pair[0]](ManualResetEvent& stop) -> int32_t {
    // close() would not wake the receive; shutdown() does.
    auto wake = stop.OnSet([fd] { ::shutdown(fd, SHUT_RDWR); });
    char byte;
    const ssize_t n = ::recv(fd, &byte, 1, 0);
    return n == 0 ? 0 : 1;
  }),
            0);
  const ThreadStopResult r = worker.Stop({std::chrono::milliseconds(kDeadline), 1});
  EXPECT_EQ(r.outcome, ThreadStopOutcome::Ended);
  EXPECT_EQ(r.code, 0);
  ::close(pair[0]);
  ::close(pair[1]);
}

TEST(WorkerThread, AThreadStoppingItselfGetsAPlatformCode) {
  WorkerThread worker;
  std::promise<void> started;
  std::shared_future<void> go = started.get_future().share();
  std::promise<ThreadStopResult> own;
  std::future<ThreadStopResult> ownResult = own.get_future();
  ASSERT_EQ(worker.Start([&worker, go, &own](ManualResetEvent&) -> int32_t {
    go.wait();
    own.set_value(worker.Stop());
    return 0;
  }),
            0);
  started.set_value();
  ASSERT_EQ(ownResult.wait_for(kDeadline), std::future_status::ready);
  const ThreadStopResult r = ownResult.get();
  EXPECT_EQ(r.outcome, ThreadStopOutcome::Unreadable);
  EXPECT_EQ(r.code, ERROR_POSSIBLE_DEADLOCK);
  EXPECT_FALSE(worker.Running());
}

TEST(WorkerThread, DefaultPolicyIsSixtyOnePollsOfTheSetInterval) {
  EXPECT_EQ(DefaultThreadStopPolicy().pollInterval, 1000ms);
  EXPECT_EQ(DefaultThreadStopPolicy().maxPolls, 61);
  SetThreadStopPollInterval(2ms);
  EXPECT_EQ(DefaultThreadStopPolicy().pollInterval, 2ms);
  WorkerThread worker;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  ASSERT_EQ(worker.Start([released](ManualResetEvent&) -> int32_t {
    released.wait();
    return 0;
  }),
            0);
  EXPECT_EQ(worker.Stop().outcome, ThreadStopOutcome::TimedOut);
  release.set_value();
  SetThreadStopPollInterval(1000ms);
}

}  // namespace
}  // namespace vk
