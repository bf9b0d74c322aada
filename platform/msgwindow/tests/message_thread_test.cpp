#include "platform/msgwindow/message_thread.h"

#include <gtest/gtest.h>

#include <vector>

using namespace std::chrono_literals;

namespace {

// Collects what the thread handles and lets the test wait for a condition.
struct Recorder {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<vk::WindowMessage> seen;

  void Add(const vk::WindowMessage& m) {
    std::lock_guard g(lock);
    seen.push_back(m);
    changed.notify_all();
  }
  template <class Pred>
  bool WaitFor(Pred pred) {
    std::unique_lock g(lock);
    return changed.wait_for(g, 10s, [&] { return pred(seen); });
  }
  size_t Count(uint32_t message, uint64_t wParam) {
    std::lock_guard g(lock);
    size_t n = 0;
    for (auto& m : seen) n += (m.message == message && m.wParam == wParam);
    return n;
  }
};

TEST(MessageThread, HandlesPostedMessagesInOrderAndEndsOnQuit) {
  Recorder rec;
  vk::MessageThread thread;
  ASSERT_TRUE(thread.Start([&](const vk::WindowMessage& m) { rec.Add(m); }));
  EXPECT_FALSE(thread.Start([](const vk::WindowMessage&) {}));
  for (uint64_t i = 0; i < 100; ++i) ASSERT_TRUE(thread.Post(0xC123, i, -static_cast<int64_t>(i)));
  thread.PostQuit();
  EXPECT_FALSE(thread.Post(0xC123, 1000, 0));
  ASSERT_TRUE(thread.Join(10s));
  EXPECT_FALSE(thread.Running());
  ASSERT_EQ(rec.seen.size(), 100u);
  for (uint64_t i = 0; i < 100; ++i) {
    EXPECT_EQ(rec.seen[i].wParam, i);
    EXPECT_EQ(rec.seen[i].lParam, -static_cast<int64_t>(i));
  }
  // A thread that has ended can be started again.
  ASSERT_TRUE(thread.Start([&](const vk::WindowMessage& m) { rec.Add(m); }));
  EXPECT_TRUE(thread.Post(7, 0, 0));
  EXPECT_TRUE(rec.WaitFor([](auto& s) { return s.size() == 101; }));
}

TEST(MessageThread, TimersFireUntilKilledAndCanBeRestartedFromTheHandler) {
  Recorder rec;
  vk::MessageThread thread;
  ASSERT_TRUE(thread.Start([&](const vk::WindowMessage& m) {
    // Timer 2 stops itself at its third expiry, as a one-shot restart timer does.
    if (m.message == vk::kTimerMessage && m.wParam == 2 && rec.Count(vk::kTimerMessage, 2) == 2) {
      thread.KillTimer(2);
    }
    rec.Add(m);
  }));
  thread.SetTimer(1, 1ms);
  thread.SetTimer(2, 2ms);
  EXPECT_TRUE(thread.TimerRunning(1));
  ASSERT_TRUE(rec.WaitFor([&](auto&) {
    return std::count_if(rec.seen.begin(), rec.seen.end(),
                         [](auto& m) { return m.message == vk::kTimerMessage && m.wParam == 1; }) >= 5;
  }));
  EXPECT_TRUE(thread.KillTimer(1));
  EXPECT_FALSE(thread.KillTimer(1));
  EXPECT_FALSE(thread.TimerRunning(1));
  ASSERT_TRUE(rec.WaitFor([&](auto&) { return !thread.TimerRunning(2); }));
  // No expiry after a kill: a posted marker is the last thing handled for timer 1.
  const size_t ones = rec.Count(vk::kTimerMessage, 1);
  thread.Post(0xC001, 0, 0);
  ASSERT_TRUE(rec.WaitFor([](auto& s) { return s.back().message == 0xC001; }));
  EXPECT_EQ(rec.Count(vk::kTimerMessage, 1), ones);
  EXPECT_EQ(rec.Count(vk::kTimerMessage, 2), 3u);
  thread.PostQuit();
  EXPECT_TRUE(thread.Join(10s));
}

TEST(MessageThread, TimerDueLaterDoesNotDelayMessages) {
  Recorder rec;
  vk::MessageThread thread;
  ASSERT_TRUE(thread.Start([&](const vk::WindowMessage& m) { rec.Add(m); }));
  thread.SetTimer(5, std::chrono::hours(1));
  thread.Post(0xC002, 9, 0);
  EXPECT_TRUE(rec.WaitFor([](auto& s) { return s.size() == 1 && s[0].wParam == 9; }));
  EXPECT_EQ(rec.Count(vk::kTimerMessage, 5), 0u);
}

TEST(MessageThread, RegisteredNamesGiveStableDistinctIds) {
  const uint32_t update = vk::RegisterMessageName(u"ViewKeeperUpdateMsg");
  const uint32_t cc = vk::RegisterMessageName(u"ViewKeeperCCMsg");
  EXPECT_GE(update, 0xC000u);
  EXPECT_NE(update, cc);
  EXPECT_EQ(vk::RegisterMessageName(u"ViewKeeperUpdateMsg"), update);
}

}  // namespace
