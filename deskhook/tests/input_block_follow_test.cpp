// The local input block follows the display the agent serves: when the
// agent hooks another display (the active session changed), the keyboards
// and pointers of the old one come back to its user and are blocked on the
// new one. A program of its own: it sets the process's served display.
#include "deskhook/deskhook.h"

#include <gtest/gtest.h>
// Xlib after gtest: its macros clash with gtest names.
#include <X11/Xlib.h>

#include "deskhook/tests/device_grabs.h"
#include "platform/msgwindow/message_thread.h"
#include "platform/x11/display_target.h"
#include "platform/x11/testing/xvfb_server.h"

namespace {

using vk::testing::GrabStatus;

class InputBlockFollowsDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(first_.Running() && second_.Running());
    a_ = XOpenDisplay(first_.DisplayName().c_str());
    b_ = XOpenDisplay(second_.DisplayName().c_str());
    ASSERT_TRUE(a_ != nullptr && b_ != nullptr);
    window_.Start([](const vk::WindowMessage&) {});
  }
  void TearDown() override {
    StopHook();
    EnableKeyboard();
    EnableMouse();
    if (a_) XCloseDisplay(a_);
    if (b_) XCloseDisplay(b_);
  }
  int32_t HookServing(const vk::testing::XvfbServer* server) {
    if (server)
      vk::x11::SetTargetDisplay(server->DisplayName(), {});
    else
      vk::x11::SetNoTargetDisplay();
    return SetHook(&window_, 0xC100, 0xC101, 0xC102);
  }
  // Whether the display's physical keyboard and mouse are blocked.
  static bool Blocked(Display* display) {
    const int keyboard = GrabStatus(display, "Xvfb keyboard"), mouse = GrabStatus(display, "Xvfb mouse");
    EXPECT_EQ(keyboard, mouse) << "keyboard and mouse differ";
    return keyboard == AlreadyGrabbed;
  }

  vk::testing::XvfbServer first_{320, 240, 24, false};
  vk::testing::XvfbServer second_{320, 240, 24, false};
  Display* a_ = nullptr;
  Display* b_ = nullptr;
  vk::MessageThread window_;
};

TEST_F(InputBlockFollowsDisplay, ANewHookMovesTheBlockAndReleasesTheOldDisplay) {
  ASSERT_EQ(HookServing(&first_), 0);
  DisableKeyboard();
  DisableMouse();
  EXPECT_TRUE(Blocked(a_));
  EXPECT_FALSE(Blocked(b_));

  ASSERT_EQ(HookServing(&second_), 0);
  EXPECT_FALSE(Blocked(a_));
  EXPECT_TRUE(Blocked(b_));

  // No display served (a Wayland session, or none): nothing stays blocked,
  // and the block comes back on the next display.
  EXPECT_NE(HookServing(nullptr), 0);
  EXPECT_FALSE(Blocked(a_));
  EXPECT_FALSE(Blocked(b_));
  ASSERT_EQ(HookServing(&first_), 0);
  EXPECT_TRUE(Blocked(a_));
  EXPECT_FALSE(Blocked(b_));

  // Released, the block does not come back with a later hook.
  EnableKeyboard();
  EnableMouse();
  EXPECT_FALSE(Blocked(a_));
  ASSERT_EQ(HookServing(&second_), 0);
  EXPECT_FALSE(Blocked(a_));
  EXPECT_FALSE(Blocked(b_));
}

TEST_F(InputBlockFollowsDisplay, TheSameDisplayHookedAgainKeepsItsBlock) {
  ASSERT_EQ(HookServing(&first_), 0);
  DisableKeyboard();
  DisableMouse();
  ASSERT_EQ(HookServing(&first_), 0);
  EXPECT_TRUE(Blocked(a_));
  EnableKeyboard();
  EnableMouse();
  EXPECT_FALSE(Blocked(a_));
}

}  // namespace
