// The screen side against a real X server: hooks, capture, updates and the
// viewer's copy, compared pixel for pixel with the X screen.
#include <gtest/gtest.h>

#include <atomic>

#include "agent/desktop/capture_set.h"
#include "agent/screen/agent_cursor_platform.h"
#include "agent/screen/tests/capture_test_support.h"
#include "platform/x11/testing/x_drawing.h"
#include "platform/x11/testing/xvfb_server.h"

namespace {

using vk::test::WaitUntil;
using vk::testing::XvfbServer;
using vk::x11::testing::XDrawing;

// A session's view of the screen side: takes formats, sends updates.
struct SessionSide {
  cVkCaptureSet& set;
  vk::test::ViewerCopy viewer;

  // Takes a pending format into the viewer and asks for the whole screen,
  // as the session loop does after sending a format (the session's own
  // full update is checked end to end in vksnap's X11 test); false when no
  // format is pending.
  bool TakeFormat() {
    if (!set.Screen().TakeFormatPending()) return false;
    auto info = set.Screen().MakeScreenInfo();
    EXPECT_TRUE(info);
    if (!info) return false;
    EXPECT_EQ(viewer.buffer.ApplyScreenInfo(*info), 0);
    set.Screen().AddFullScreen();
    return true;
  }
  // One session cycle, then whether the viewer shows what X shows.
  bool CycleAndCompare(XDrawing& x, int w, int h) {
    EXPECT_EQ(set.Builder().SendUpdate(viewer.Sink()), 0);
    return viewer.error == 0 && viewer.Pixels() == Masked(x.ReadRoot(0, 0, w, h));
  }
  static std::vector<uint32_t> Masked(std::vector<uint32_t> px) {
    for (auto& p : px) p &= 0xFFFFFF;
    return px;
  }
};

TEST(ScreenCapture, TheViewerFollowsDrawingCursorAndDisplayChangesExactly) {
  XvfbServer xvfb(1280, 800);
  ASSERT_TRUE(xvfb.Running());
  XDrawing x;
  x.PatternRoot(0, 0, 1280, 800, 99);

  vk::test::LogSink logFile;
  cVkScreenCaptureSettings settings;
  settings.captureInterval = 20;
  settings.foregroundRefreshInterval = -1;
  cVkCaptureSet set({[&] { return settings; }, &logFile, nullptr, nullptr, 50, 500});
  cOrkLog log;
  ASSERT_EQ(set.Screen().Start(log), 0);
  ASSERT_EQ(set.Desktop().Start(log), 0);
  SessionSide session{set, {}};

  ASSERT_TRUE(WaitUntil([&] { return session.TakeFormat(); }));
  VkScreenGeometry g = session.viewer.buffer.Geometry();
  EXPECT_EQ(g.width, 1280);
  EXPECT_EQ(g.height, 800);
  EXPECT_EQ(g.bytesPerPixel, 4);
  ASSERT_TRUE(WaitUntil([&] { return session.CycleAndCompare(x, 1280, 800); }));

  // A small change reaches the viewer through the hooks alone, and costs
  // about its own size on the wire.
  const size_t before = session.viewer.bytes;
  x.FillRoot(301, 207, 13, 5, 0xABCDEF);
  ASSERT_TRUE(WaitUntil([&] { return session.CycleAndCompare(x, 1280, 800); }));
  EXPECT_LT(session.viewer.bytes - before, 400u);

  // A window that covers part of the screen, drawn by another client.
  const auto window = x.MakeWindow(900, 100, 250, 300, 0x336699);
  ASSERT_TRUE(WaitUntil([&] { return session.CycleAndCompare(x, 1280, 800); }));

  // The cursor index follows the pointer into a window with another shape.
  cVkAgentCursorPlatform platform;
  cVkCursorList cursors(&platform);
  cursors.Rebuild();
  x.SetNamedCursor(window, "xterm");
  x.MovePointer(1000, 200);
  uint32_t handle = 0;
  ASSERT_TRUE(WaitUntil([&] { return (handle = set.Window().TakeCursorChange()) == 32513; }));
  EXPECT_EQ(cursors.IndexOf(handle), 1u);
  x.SetNamedCursor(window, "some-theme-special");
  ASSERT_TRUE(WaitUntil([&] { return (handle = set.Window().TakeCursorChange()) != 0; }));
  EXPECT_EQ(cursors.IndexOf(handle), 0u);

  // A display change: capture restarts with the new format, then the whole
  // new screen follows.
  ASSERT_TRUE(x.ResizeScreen(640, 480));
  x.PatternRoot(0, 0, 640, 480, 5);
  ASSERT_TRUE(WaitUntil([&] { return session.TakeFormat(); }));
  g = session.viewer.buffer.Geometry();
  EXPECT_EQ(g.width, 640);
  EXPECT_EQ(g.height, 480);
  ASSERT_TRUE(WaitUntil([&] { return session.CycleAndCompare(x, 640, 480); }));
  EXPECT_EQ(set.Window().RestartCount(), 1u);

  EXPECT_EQ(set.Desktop().Stop(log), 0);
  EXPECT_EQ(set.Screen().Stop(log), 0);
  EXPECT_EQ(log.CountMessages(LOG_ALL), 0u);
}

TEST(ScreenCapture, WithoutADisplayTheSessionGoesOnAndTheNextOneCaptures) {
  setenv("DISPLAY", vk::testing::NoServerDisplayName().c_str(), 1);
  vk::test::LogSink logFile;
  cVkScreenCaptureSettings settings;
  cVkCaptureSet set({[&] { return settings; }, &logFile, nullptr, nullptr, 50, 500});
  cOrkLog log;
  ASSERT_EQ(set.Screen().Start(log), 0);
  ASSERT_EQ(set.Desktop().Start(log), 0);
  ASSERT_TRUE(WaitUntil(
      [&] { return logFile.Has(u"An error has occurred while initializing the screenmanager. Errorcode 21."); }));
  EXPECT_TRUE(logFile.Has(u"Error getting desktop DC. Errorcode 21."));
  ASSERT_TRUE(WaitUntil([&] { return set.Desktop().Initialized(); }));
  EXPECT_NE(set.Desktop().LastInitResult(), 0);
  EXPECT_FALSE(set.Screen().TakeFormatPending());
  EXPECT_EQ(set.Screen().MakeScreenInfo(), nullptr);
  set.Screen().AddFullScreen();
  EXPECT_EQ(set.Builder().SendUpdate([](std::span<const uint8_t>) -> int32_t {
    ADD_FAILURE();
    return 0;
  }),
            0);
  EXPECT_EQ(set.Desktop().Stop(log), 0);
  EXPECT_EQ(set.Screen().Stop(log), 0);

  // The display appears; the next session captures it.
  XvfbServer xvfb(320, 200);
  ASSERT_TRUE(xvfb.Running());
  XDrawing x;
  x.PatternRoot(0, 0, 320, 200, 3);
  ASSERT_EQ(set.Screen().Start(log), 0);
  ASSERT_EQ(set.Desktop().Start(log), 0);
  SessionSide session{set, {}};
  ASSERT_TRUE(WaitUntil([&] { return session.TakeFormat(); }));
  ASSERT_TRUE(WaitUntil([&] { return session.CycleAndCompare(x, 320, 200); }));
}

}  // namespace

namespace {

// A 16-bit screen 1365 pixels wide: full-width rows are 2730 bytes, which no
// widening can make a multiple of 4. Such sections go out unwidened, and the
// viewer still gets every pixel.
TEST(ScreenCapture, RowsThatCannotBeWidenedStillReachTheViewer) {
  XvfbServer xvfb(1365, 120, 16);
  ASSERT_TRUE(xvfb.Running());
  XDrawing x;
  x.PatternRoot(0, 0, 1365, 120, 42);
  vk::test::LogSink logFile;
  cVkScreenCaptureSettings settings;
  settings.captureInterval = 10;
  cVkCaptureSet set({[&] { return settings; }, &logFile, nullptr, nullptr, 50, 500});
  cOrkLog log;
  ASSERT_EQ(set.Screen().Start(log), 0);
  SessionSide session{set, {}};
  ASSERT_TRUE(WaitUntil([&] { return session.TakeFormat(); }));
  EXPECT_EQ(session.viewer.buffer.Geometry().bytesPerPixel, 2);
  auto matches = [&] {
    EXPECT_EQ(set.Builder().SendUpdate(session.viewer.Sink()), 0);
    std::vector<uint8_t> frame;
    session.viewer.buffer.ReadFrame([&](std::span<const uint8_t> f, const VkScreenGeometry&, const cVkScreenInfo&) {
      frame.assign(f.begin(), f.end());
    });
    const auto reference = x.ReadRoot(0, 0, 1365, 120);
    if (frame.size() != reference.size() * 2) return false;
    for (size_t i = 0; i < reference.size(); ++i) {
      if ((frame[2 * i] | frame[2 * i + 1] << 8) != static_cast<int>(reference[i])) return false;
    }
    return session.viewer.error == 0;
  };
  ASSERT_TRUE(WaitUntil(matches));
  // No hooks run here: the test reports what it drew. A section at the right
  // edge 3 pixels wide grows to the left to 4 pixels; full-width rows stay.
  x.FillRoot(1362, 10, 3, 10, 0xFFFF);
  x.FillRoot(0, 50, 1365, 3, 0x07E0);
  set.Screen().AddRect({1362, 10, 1365, 20});
  set.Screen().AddRect({0, 50, 1365, 53});
  ASSERT_TRUE(WaitUntil(matches));
  EXPECT_FALSE(logFile.Has(u"An error has occurred while capturing a screen section. Errorcode -20."));
  EXPECT_EQ(set.Screen().Stop(log), 0);
  EXPECT_EQ(log.CountMessages(LOG_ALL), 0u);
}

}  // namespace
