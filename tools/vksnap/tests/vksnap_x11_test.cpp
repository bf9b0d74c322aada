// End to end on a real X server: the agent's session manager with its real
// capture (screen manager, update builder, message window, desktop manager,
// hooks) on a private Xvfb, and vksnap's client assembling the picture.
#include <gtest/gtest.h>

#include <mutex>

#include "agent/service/log_sink.h"
#include "agent/session/session_screen.h"
#include "common/protocol/auth_block.h"
#include "agent/session/session_manager.h"
#include "agent/session/tests/session_test_support.h"
#include "platform/x11/testing/x_drawing.h"
#include "platform/x11/testing/xvfb_server.h"
#include "tools/vksnap/snap_client.h"

namespace vk {
namespace {

using namespace vk::testing;
using namespace std::chrono_literals;
using vk::testing::XvfbServer;
using vk::x11::testing::XDrawing;

// What the agent writes to its log file.
struct FileLog : iVkLogSink {
  std::mutex lock;
  std::vector<std::u16string> lines;
  void AppendLogToFile(cOrkLog& log) override {
    std::lock_guard g(lock);
    for (const cOrkLogMessage& m : log.GetMessages()) lines.push_back(m.text);
    log.Clear();
  }
  bool Has(std::u16string_view prefix) {
    std::lock_guard g(lock);
    for (const auto& l : lines)
      if (l.rfind(prefix, 0) == 0) return true;
    return false;
  }
};

class SessionOnX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    SetThreadStopPollInterval(10ms);
    port_ = reservedPort_.Port();
    ASSERT_NE(port_, 0);
    // No foreground refresh: what the viewer gets comes from the hooks and
    // the session alone.
    screen_ = std::make_unique<cVkSessionScreen>([] { return cVkScreenCaptureSettings{-1, -1, 100, 6}; }, &fileLog_);
    cVkSessionParts parts;
    parts.logon = &logon_;
    parts.screen = screen_.get();
    parts.settings = [this] { return cVkSessionSettings{2, port_}; };
    parts.logFile = &fileLog_;
    manager_ = std::make_unique<cVkSessionManager>(std::move(parts));
    cOrkLog log;
    ASSERT_EQ(manager_->Start(log), 0);
  }
  void TearDown() override {
    cOrkLog log;
    EXPECT_EQ(manager_->Stop(log), 0);
  }
  cVkSnapOptions Options() {
    cVkSnapOptions o;
    o.port = port_;
    o.user = u"alice";
    o.password = u"secret";
    o.seconds = 20;
    return o;
  }
  // The X screen as RGB triplets.
  static std::vector<uint8_t> ScreenRgb(XDrawing& x, int w, int h) {
    std::vector<uint8_t> rgb;
    for (uint32_t p : x.ReadRoot(0, 0, w, h))
      rgb.insert(rgb.end(), {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)});
    return rgb;
  }
  // Runs a viewer until its picture equals the X screen; `onFirst` runs
  // after the first update.
  bool ViewUntilEqual(XDrawing& x, int w, int h, const std::function<void()>& onFirst = {}) {
    cOrkLog log;
    cVkSnapClient client(log);
    bool equal = false;
    client.SetUpdateObserver([&] {
      if (client.UpdatesApplied() == 1 && onFirst) onFirst();
      uint32_t pw = 0, ph = 0;
      std::vector<uint8_t> rgb;
      equal = client.Picture(pw, ph, rgb) && pw == static_cast<uint32_t>(w) && ph == static_cast<uint32_t>(h) &&
              rgb == ScreenRgb(x, w, h);
      return !equal;
    });
    client.Run(Options());
    return equal;
  }

  Progress progress_;
  FakeLogon logon_{progress_};
  FileLog fileLog_;
  vk::testing::ReservedPort reservedPort_;
  uint16_t port_ = 0;
  std::unique_ptr<cVkSessionScreen> screen_;
  std::unique_ptr<cVkSessionManager> manager_;
};

// Without a display the session runs without updates, and says why in the
// agent's log file; the next session after the display came captures it.
TEST_F(SessionOnX11, WithoutADisplayTheSessionGoesOnWithoutUpdates) {
  {
    Console console;
    ASSERT_TRUE(progress_.WaitUntil([&] { return console.Connect(port_); }));
    ASSERT_EQ(console.Send(BuildAuthBlock(u"alice", u"", u"secret")), 0);
    ASSERT_TRUE(progress_.WaitUntil(
        [&] { return fileLog_.Has(u"An error has occurred while initializing the screenmanager."); }));
    const cVkViewerInfo info = manager_->GetViewerInfo();
    EXPECT_TRUE(info.connected);  // the session itself goes on
    EXPECT_EQ(info.viewerName, u".\\alice");
  }
  // The console hung up; the session ends and the next one finds a display.
  ASSERT_TRUE(progress_.WaitUntil([&] { return !manager_->GetViewerInfo().connected; }));
  XvfbServer xvfb(320, 240);
  ASSERT_TRUE(xvfb.Running());
  XDrawing x;
  ASSERT_TRUE(x.Connected());
  x.PatternRoot(0, 0, 320, 240, 5);
  EXPECT_TRUE(ViewUntilEqual(x, 320, 240));
}

TEST_F(SessionOnX11, ViewerFollowsTheScreenPixelForPixel) {
  XvfbServer xvfb(643, 401);  // odd width: 24-bit rows are no multiple of 4 bytes
  ASSERT_TRUE(xvfb.Running());
  XDrawing x;
  ASSERT_TRUE(x.Connected());
  x.PatternRoot(0, 0, 643, 401, 11);
  x.FillRoot(100, 50, 37, 29, 0xC03020);
  // What the viewer sees first, then what the test draws while it watches.
  EXPECT_TRUE(ViewUntilEqual(x, 643, 401, [&] {
    x.PatternRoot(3, 7, 211, 97, 12);
    x.FillRoot(600, 390, 43, 11, 0x10E0F0);  // at the bottom-right edge
    x.MakeWindow(300, 200, 120, 80, 0x336699);
  }));
}

// After a display change the agent sends the new format and then, by
// itself, the whole new screen. The change comes once a drawing has reached
// the viewer, so the agent's hooks are set by then.
TEST_F(SessionOnX11, AfterADisplayChangeTheAgentSendsTheWholeNewScreen) {
  XvfbServer xvfb(800, 600);
  ASSERT_TRUE(xvfb.Running());
  XDrawing x;
  ASSERT_TRUE(x.Connected());
  x.PatternRoot(0, 0, 800, 600, 23);
  cOrkLog log;
  cVkSnapClient client(log);
  bool marked = false, resized = false, equal = false;
  client.SetUpdateObserver([&] {
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> rgb;
    if (!client.Picture(w, h, rgb)) return true;
    if (!marked) {
      x.FillRoot(10, 10, 16, 16, 0xFF00FF);
      marked = true;
    } else if (!resized) {
      const size_t at = (static_cast<size_t>(18) * w + 18) * 3;
      if (rgb.size() > at + 2 && rgb[at] == 0xFF && rgb[at + 1] == 0 && rgb[at + 2] == 0xFF) {
        // Drawn while capture restarts: its damage reports reach no
        // capture run, so only the full update after the new format
        // brings it.
        resized = x.ResizeScreen(640, 480);
        x.PatternRoot(0, 0, 640, 480, 24);
      }
    } else {
      equal = w == 640 && h == 480 && rgb == ScreenRgb(x, 640, 480);
    }
    return !equal;
  });
  client.Run(Options());
  EXPECT_TRUE(resized);
  EXPECT_TRUE(equal);
}

}  // namespace
}  // namespace vk
