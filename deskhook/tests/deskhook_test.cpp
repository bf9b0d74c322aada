#include "deskhook/deskhook.h"

#include <gtest/gtest.h>
// Xlib after gtest: its macros clash with gtest names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <string>

#include "deskhook/tests/device_grabs.h"
#include "platform/msgwindow/message_thread.h"
#include "platform/x11/testing/x_drawing.h"
#include "platform/x11/testing/xvfb_server.h"

using namespace std::chrono_literals;
using vk::testing::DeviceId;
using vk::testing::GrabStatus;

namespace {

constexpr uint32_t kUpdate = 0xC100, kDisplayChange = 0xC101, kMouseMove = 0xC102;

struct Rect {
  int left, top, right, bottom;
};

// A message window that records what the hook posts.
class Recorder {
 public:
  Recorder() {
    thread_.Start([this](const vk::WindowMessage& m) {
      std::lock_guard g(lock_);
      seen_.push_back(m);
      changed_.notify_all();
    });
  }
  ~Recorder() { StopHook(); }  // nothing may post to the window after it goes
  vk::MessageThread& Window() { return thread_; }

  template <class Pred>
  bool WaitFor(Pred pred) {
    std::unique_lock g(lock_);
    return changed_.wait_for(g, 10s, [&] { return pred(seen_); });
  }
  // True when the update rectangles posted so far cover the area.
  static bool Covered(const std::vector<vk::WindowMessage>& seen, Rect area) {
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        const bool hit = std::any_of(seen.begin(), seen.end(), [&](const vk::WindowMessage& m) {
          if (m.message != kUpdate) return false;
          const int l = m.wParam & 0xFFFF, t = (m.wParam >> 16) & 0xFFFF;
          const int r = m.lParam & 0xFFFF, b = (m.lParam >> 16) & 0xFFFF;
          return x >= l && x < r && y >= t && y < b;
        });
        if (!hit) return false;
      }
    }
    return true;
  }
  static size_t Count(const std::vector<vk::WindowMessage>& seen, uint32_t message) {
    return static_cast<size_t>(std::count_if(seen.begin(), seen.end(), [&](auto& m) { return m.message == message; }));
  }
  void Clear() {
    std::lock_guard g(lock_);
    seen_.clear();
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<vk::WindowMessage> seen_;
  vk::MessageThread thread_;
};

class DeskHook : public ::testing::Test {
 protected:
  void TearDown() override { StopHook(); }
};

TEST_F(DeskHook, ReportsDrawingDisplayChangesAndCursorChanges) {
  vk::testing::XvfbServer xvfb(1024, 768);
  ASSERT_TRUE(xvfb.Running());
  vk::x11::testing::XDrawing x;
  Recorder rec;
  ASSERT_EQ(SetHook(&rec.Window(), kUpdate, kDisplayChange, kMouseMove), 0);
  // The first report of a new hook covers the whole screen.
  ASSERT_TRUE(rec.WaitFor([](auto& s) { return Recorder::Covered(s, {0, 0, 1024, 768}); }));
  rec.Clear();

  x.FillRoot(100, 200, 30, 40, 0xFF0000);
  ASSERT_TRUE(rec.WaitFor([](auto& s) { return Recorder::Covered(s, {100, 200, 130, 240}); }));
  rec.Clear();
  x.FillRoot(1000, 700, 24, 68, 0x00FF00);
  ASSERT_TRUE(rec.WaitFor([](auto& s) { return Recorder::Covered(s, {1000, 700, 1024, 768}); }));

  // The window comes up away from the pointer; entering it changes the cursor.
  x.MovePointer(10, 10);
  const auto window = x.MakeWindow(500, 300, 100, 100, 0x0000FF);
  x.SetNamedCursor(window, "hand2");
  rec.Clear();
  x.MovePointer(550, 350);
  ASSERT_TRUE(rec.WaitFor([](auto& s) { return Recorder::Count(s, kMouseMove) >= 1; }));

  ASSERT_TRUE(x.ResizeScreen(800, 600));
  ASSERT_TRUE(rec.WaitFor([](auto& s) { return Recorder::Count(s, kDisplayChange) >= 1; }));

  // A new hook replaces the old one; stopping twice is harmless.
  ASSERT_EQ(SetHook(&rec.Window(), kUpdate, kDisplayChange, kMouseMove), 0);
  EXPECT_EQ(StopHook(), 0);
  EXPECT_EQ(StopHook(), 0);
  EXPECT_NE(SetHook(nullptr, kUpdate, kDisplayChange, kMouseMove), 0);
}

TEST_F(DeskHook, WithoutDisplaySetHookFails) {
  setenv("DISPLAY", vk::testing::NoServerDisplayName().c_str(), 1);
  Recorder rec;
  EXPECT_NE(SetHook(&rec.Window(), kUpdate, kDisplayChange, kMouseMove), 0);
  EXPECT_EQ(StopHook(), 0);
  DisableKeyboard();  // no display: nothing to do, nothing breaks
  EnableKeyboard();
}

void SetDeviceEnabled(Display* display, const std::string& name, unsigned char enabled) {
  const Atom property = XInternAtom(display, "Device Enabled", False);
  XIChangeProperty(display, DeviceId(display, name), property, XA_INTEGER, 8, PropModeReplace, &enabled, 1);
  XSync(display, False);
}

TEST_F(DeskHook, BlocksThePhysicalDevicesButNotXTestAndReleasesOnlyWhatItBlocked) {
  vk::testing::XvfbServer xvfb(320, 240);
  ASSERT_TRUE(xvfb.Running());
  vk::x11::testing::XDrawing x;
  ASSERT_NE(DeviceId(x.Display(), "Xvfb keyboard"), -1);
  ASSERT_EQ(GrabStatus(x.Display(), "Xvfb keyboard"), Success);

  DisableKeyboard();
  EXPECT_EQ(GrabStatus(x.Display(), "Xvfb keyboard"), AlreadyGrabbed);
  EXPECT_EQ(GrabStatus(x.Display(), "Virtual core XTEST keyboard"), Success);
  EXPECT_EQ(GrabStatus(x.Display(), "Xvfb mouse"), Success);

  DisableMouse();
  EXPECT_EQ(GrabStatus(x.Display(), "Xvfb mouse"), AlreadyGrabbed);
  EXPECT_EQ(GrabStatus(x.Display(), "Virtual core XTEST pointer"), Success);
  // Replayed input still moves the pointer while the mouse is blocked.
  x.MovePointer(33, 44);
  Window root, child;
  int rx = 0, ry = 0, wx, wy;
  unsigned mask;
  XQueryPointer(x.Display(), DefaultRootWindow(x.Display()), &root, &child, &rx, &ry, &wx, &wy, &mask);
  EXPECT_EQ(rx, 33);
  EXPECT_EQ(ry, 44);

  EnableKeyboard();
  EXPECT_EQ(GrabStatus(x.Display(), "Xvfb keyboard"), Success);
  EXPECT_EQ(GrabStatus(x.Display(), "Xvfb mouse"), AlreadyGrabbed);
  EnableMouse();
  EXPECT_EQ(GrabStatus(x.Display(), "Xvfb mouse"), Success);
  EnableMouse();  // nothing blocked: nothing to do

  // A device someone else switched off stays off after a block and release.
  SetDeviceEnabled(x.Display(), "Xvfb mouse", 0);
  DisableMouse();
  EnableMouse();
  const Atom property = XInternAtom(x.Display(), "Device Enabled", False);
  Atom type;
  int format;
  unsigned long items, after;
  unsigned char* data = nullptr;
  ASSERT_EQ(XIGetProperty(x.Display(), DeviceId(x.Display(), "Xvfb mouse"), property, 0, 1, False, XA_INTEGER, &type,
                          &format, &items, &after, &data),
            Success);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data[0], 0);
  XFree(data);
}

TEST_F(DeskHook, TheKeyboardComesBackWhenTheBlockingProcessIsKilled) {
  vk::testing::XvfbServer xvfb(320, 240);
  ASSERT_TRUE(xvfb.Running());
  vk::x11::testing::XDrawing x;
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    DisableKeyboard();
    DisableMouse();
    char byte = 1;
    (void)!write(ready[1], &byte, 1);
    for (;;) pause();  // blocked until killed
  }
  close(ready[1]);
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  close(ready[0]);
  EXPECT_EQ(GrabStatus(x.Display(), "Xvfb keyboard"), AlreadyGrabbed);
  EXPECT_EQ(GrabStatus(x.Display(), "Xvfb mouse"), AlreadyGrabbed);
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  // The server notices the closed connection on its own schedule.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (GrabStatus(x.Display(), "Xvfb keyboard") != Success && std::chrono::steady_clock::now() < deadline) {
    XSync(x.Display(), False);
  }
  EXPECT_EQ(GrabStatus(x.Display(), "Xvfb keyboard"), Success);
  EXPECT_EQ(GrabStatus(x.Display(), "Xvfb mouse"), Success);
}

}  // namespace

namespace {

// The X server going away ends the watcher, not the process; a new server
// is watched by the next hook.
TEST_F(DeskHook, ALostServerEndsTheWatcherButNotTheProcess) {
  Recorder rec;
  {
    vk::testing::XvfbServer xvfb(320, 240);
    ASSERT_TRUE(xvfb.Running());
    ASSERT_EQ(SetHook(&rec.Window(), kUpdate, kDisplayChange, kMouseMove), 0);
    ASSERT_TRUE(rec.WaitFor([](auto& s) { return Recorder::Covered(s, {0, 0, 320, 240}); }));
  }
  EXPECT_EQ(StopHook(), 0);
  vk::testing::XvfbServer xvfb(200, 100);
  ASSERT_TRUE(xvfb.Running());
  rec.Clear();
  ASSERT_EQ(SetHook(&rec.Window(), kUpdate, kDisplayChange, kMouseMove), 0);
  EXPECT_TRUE(rec.WaitFor([](auto& s) { return Recorder::Covered(s, {0, 0, 200, 100}); }));
}

}  // namespace
