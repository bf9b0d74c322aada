// Capture runs one after another: each session's run gets its own format
// and updates, and a thread that a stop gave up on stays out of later runs.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

#include "agent/screen/capture_wake.h"

#include "agent/screen/screen_manager.h"
#include "agent/screen/tests/capture_test_support.h"
#include "agent/screen/update_builder.h"
#include "platform/x11/testing/x_drawing.h"
#include "platform/x11/testing/xvfb_server.h"

namespace {

using namespace std::chrono_literals;
using vk::test::WaitUntil;
using vk::x11::testing::XDrawing;

size_t ThreadsOfThisProcess() {
  size_t count = 0;
  for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task")) ++count;
  return count;
}

// A session's side of one run: takes the format, then checks that what it
// draws reaches its viewer copy.
struct Session {
  cVkScreenManager& screen;
  cVkUpdateBuilder& builder;
  vk::test::ViewerCopy viewer;

  bool TakeFormat() {
    if (!screen.TakeFormatPending()) return false;
    auto info = screen.MakeScreenInfo();
    return info && viewer.buffer.ApplyScreenInfo(*info) == 0;
  }
  // Fills a square on the screen, reports it as the hooks would, and waits
  // until the viewer shows it.
  bool SeesSquare(XDrawing& x, int left, uint32_t rgb) {
    x.FillRoot(left, 20, 8, 8, rgb);
    screen.AddRect({left, 20, left + 8, 28});
    const int width = viewer.buffer.Geometry().width;
    return WaitUntil([&] {
      EXPECT_EQ(builder.SendUpdate(viewer.Sink()), 0);
      const std::vector<uint32_t> pixels = viewer.Pixels();
      const size_t at = static_cast<size_t>(24) * width + left + 4;
      return viewer.error == 0 && pixels.size() > at && pixels[at] == rgb;
    });
  }
};

class CaptureRuns : public testing::Test {
 protected:
  void SetUp() override {
    // A stop that has to give up does so after 61 short polls, not 61 s.
    vk::SetThreadStopPollInterval(5ms);
    settings_.captureInterval = 1;
  }
  void TearDown() override { vk::SetThreadStopPollInterval(1000ms); }

  cVkScreenCaptureSettings settings_;
  vk::test::LogSink logFile_;
  cVkUpdateBuilder builder_;
  cVkScreenManager screen_{builder_, {[this] { return settings_; }, &logFile_, nullptr}};
  cOrkLog log_;
};

// Waits without sleeping for timing: true once `done` holds, false after
// the deadline.
bool SpinUntil(const std::function<bool()>& done, std::chrono::seconds limit = 5s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done())
    if (std::chrono::steady_clock::now() >= deadline) return false;
  return true;
}

// The capture thread's sleep, as sessions drive it: work is added the
// moment the thread has finished the last piece (so each wake-up falls
// between its look at the flags and its sleep as often as the scheduler
// allows), and each run is stopped the moment it finished its work. No
// wake-up may be lost: a lost one leaves the thread asleep with work to do,
// or asleep through its stop.
TEST(CaptureWake, NoWorkAndNoStopIsLostAsTheThreadGoesToSleep) {
  constexpr int kRuns = 100, kRounds = 50;
  for (int run = 0; run < kRuns; ++run) {
    auto wake = std::make_shared<cVkCaptureWake>();
    auto done = std::make_shared<std::atomic<int>>(0);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    std::thread sleeper([wake, done, ended] {
      while (wake->Wait()) ++*done;
      *ended = true;
    });
    bool lost = false;
    for (int round = 0; round < kRounds && !lost; ++round) {
      wake->Notify();
      lost = !SpinUntil([&] { return done->load() > round; });
    }
    if (!lost) {
      wake->Cancel();
      lost = !SpinUntil([&] { return ended->load(); });
    }
    if (lost) {
      wake->Cancel();
      sleeper.detach();  // it holds what it uses; the test has failed
      FAIL() << "a wake-up was lost in run " << run << " after " << done->load() << " pieces of work";
    }
    sleeper.join();
  }
}

// Starts and stops in quick succession, as sessions come and go: no stop may
// have to give up on its thread, and every session gets its format and its
// updates.
TEST_F(CaptureRuns, EveryOneOfManyQuickSessionsGetsItsUpdates) {
  vk::testing::XvfbServer xvfb(320, 240);
  ASSERT_TRUE(xvfb.Running());
  XDrawing x;
  ASSERT_TRUE(x.Connected());
  for (int i = 0; i < 60; ++i) {
    ASSERT_EQ(screen_.Start(log_), 0);
    Session session{screen_, builder_, {}};
    ASSERT_TRUE(WaitUntil([&] { return session.TakeFormat(); })) << "session " << i;
    ASSERT_TRUE(session.SeesSquare(x, 8 * (i % 30), 0x010203u * static_cast<uint32_t>(i + 1))) << "session " << i;
    ASSERT_EQ(screen_.Stop(log_), 0) << "session " << i;
    EXPECT_EQ(screen_.Geometry(), VkScreenGeometry{});
  }
  EXPECT_EQ(log_.CountMessages(LOG_ALL), 0u);
}

// The first run's thread hangs in its X server (stopped, so it accepts the
// connection and never answers); the stop gives up on it. The next session,
// on another display, must get its own format and updates at once, and keep
// them after the hung thread comes back to life and ends.
TEST_F(CaptureRuns, AThreadGivenUpOnNeverTouchesTheNextSession) {
  vk::testing::XvfbServer hung(640, 480, 24, false);
  vk::testing::XvfbServer live(800, 600, 24, false);
  ASSERT_TRUE(hung.Running());
  ASSERT_TRUE(live.Running());
  const size_t threadsBefore = ThreadsOfThisProcess();

  hung.Pause();
  setenv("DISPLAY", hung.DisplayName().c_str(), 1);
  ASSERT_EQ(screen_.Start(log_), 0);
  EXPECT_EQ(screen_.Stop(log_), -1);  // given up: the thread is still in its connect
  EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore + 1);

  setenv("DISPLAY", live.DisplayName().c_str(), 1);
  XDrawing x;
  ASSERT_TRUE(x.Connected());
  ASSERT_EQ(screen_.Start(log_), 0);
  Session session{screen_, builder_, {}};
  ASSERT_TRUE(WaitUntil([&] { return session.TakeFormat(); }));
  EXPECT_EQ(session.viewer.buffer.Geometry(), (VkScreenGeometry{800, 600, 4}));
  ASSERT_TRUE(session.SeesSquare(x, 100, 0x204060));

  // The hung server answers again; the old thread finds its run over and ends.
  hung.Resume();
  ASSERT_TRUE(WaitUntil([&] { return ThreadsOfThisProcess() == threadsBefore + 1; }));
  EXPECT_FALSE(screen_.TakeFormatPending());
  EXPECT_EQ(screen_.Geometry(), (VkScreenGeometry{800, 600, 4}));
  EXPECT_EQ(builder_.Geometry(), (VkScreenGeometry{800, 600, 4}));
  EXPECT_TRUE(session.SeesSquare(x, 200, 0x608040));
  EXPECT_EQ(screen_.Stop(log_), 0);
}

}  // namespace
