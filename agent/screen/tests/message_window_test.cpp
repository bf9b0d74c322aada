// The message window against a real X server: refresh timers, the restart
// after display changes, and the local input settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "agent/screen/message_window.h"
#include "agent/screen/screen_manager.h"
#include "agent/screen/tests/capture_test_support.h"
#include "agent/screen/update_builder.h"
#include "platform/x11/testing/x_drawing.h"
#include "platform/x11/testing/xvfb_server.h"

namespace {

using vk::test::WaitUntil;

bool Holds(const std::vector<VkRect>& rects, const VkRect& r) {
  return std::find(rects.begin(), rects.end(), r) != rects.end();
}

class MessageWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(xvfb_.Running());
    // A capture interval of an hour: after the first capture, what the
    // window adds stays pending where the test can see it.
    settings_.captureInterval = 3600000;
    settings_.foregroundRefreshInterval = -1;
    ASSERT_EQ(screen_.Start(log_), 0);
    ASSERT_TRUE(WaitUntil([&] { return screen_.TakeFormatPending(); }));
    screen_.AddFullScreen();
    ASSERT_TRUE(WaitUntil([&] { return screen_.PendingRects().empty(); }));
  }
  void TearDown() override {
    window_.Stop(log_);
    screen_.Stop(log_);
  }

  vk::testing::XvfbServer xvfb_{800, 600};
  vk::x11::testing::XDrawing x_;
  vk::test::LogSink logFile_;
  cVkScreenCaptureSettings settings_;
  cVkUpdateBuilder builder_;
  cVkScreenManager screen_{builder_, {[this] { return settings_; }, &logFile_, nullptr}};
  cVkMessageWindow window_{screen_, {[this] { return settings_; }, &logFile_, 100}};
  cOrkLog log_;
};

TEST_F(MessageWindowTest, TheForegroundTimerAddsTheFocusedWindowAndTheFullTimerTheScreen) {
  const auto w = x_.MakeWindow(100, 50, 200, 120, 0xFF00FF);
  x_.FocusWindow(w);
  settings_.foregroundRefreshInterval = 5;
  ASSERT_EQ(window_.Start(log_), 0);
  ASSERT_TRUE(WaitUntil([&] { return Holds(screen_.PendingRects(), {100, 50, 300, 170}); }));
  ASSERT_EQ(window_.Stop(log_), 0);

  // With no window focused the foreground timer refreshes the whole screen;
  // so does the full refresh timer.
  x_.FocusWindow(0);
  settings_.foregroundRefreshInterval = -1;
  settings_.fullRefreshInterval = 5;
  ASSERT_EQ(window_.Start(log_), 0);
  ASSERT_TRUE(WaitUntil([&] { return Holds(screen_.PendingRects(), {0, 0, 800, 600}); }));
}

TEST_F(MessageWindowTest, SeveralDisplayChangesLeadToOneRestartAfterTheLast) {
  ASSERT_EQ(window_.Start(log_), 0);
  const cVkHookMessageIds& ids = VkHookMessageIds();
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(window_.WindowHandle()->Post(ids.displayChange, 0, 0));
  EXPECT_TRUE(WaitUntil([&] { return window_.RestartPending(); }));
  ASSERT_TRUE(WaitUntil([&] { return !window_.RestartPending(); }));
  EXPECT_EQ(window_.RestartCount(), 1u);
  // The restarted capture offers its format again.
  ASSERT_TRUE(WaitUntil([&] { return screen_.TakeFormatPending(); }));
  EXPECT_EQ(window_.RestartCount(), 1u);
  // Update messages reach the screen manager, clipped to the screen.
  screen_.AddFullScreen();
  ASSERT_TRUE(WaitUntil([&] { return screen_.PendingRects().empty(); }));
  window_.WindowHandle()->Post(ids.update, 700 | 500 << 16, 900 | 700 << 16);
  window_.WindowHandle()->Post(ids.update, 801 | 0 << 16, 900 | 10 << 16);  // left beyond the screen
  ASSERT_TRUE(WaitUntil([&] { return !screen_.PendingRects().empty(); }));
  EXPECT_EQ(screen_.PendingRects(), (std::vector<VkRect>{{700, 500, 800, 600}}));
}

}  // namespace
