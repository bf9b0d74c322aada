#include <gtest/gtest.h>
// X after gtest: Xlib's macros (None, Bool) clash with gtest's names.
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "platform/xtest/input_injector.h"
#include "platform/xtest/tests/event_recorder.h"
#include "platform/x11/testing/xvfb_server.h"

namespace {

using vk::testing::RecordedEvent;

class XTestInjectorTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new vk::testing::XvfbServer;
    ASSERT_TRUE(server_->Start("1280x800x24"));
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(recorder_.Open(server_->DisplayName()));
    injector_ = vk::CreateXTestInjector(server_->DisplayName());
    ASSERT_EQ(injector_->Open(), 0);
  }
  static bool Has(const std::vector<RecordedEvent>& events, int type, unsigned long keysym) {
    for (const auto& e : events)
      if (e.type == type && e.keysym == keysym) return true;
    return false;
  }

  static vk::testing::XvfbServer* server_;
  vk::testing::EventRecorder recorder_;
  std::unique_ptr<vk::iVkInputInjector> injector_;
};
vk::testing::XvfbServer* XTestInjectorTest::server_ = nullptr;

TEST_F(XTestInjectorTest, TypesLettersWithAndWithoutShift) {
  EXPECT_EQ(injector_->Key(XK_a, true), 0);
  EXPECT_EQ(injector_->Key(XK_a, false), 0);
  EXPECT_EQ(injector_->Key(XK_Shift_L, true), 0);
  EXPECT_EQ(injector_->Key(XK_b, true), 0);
  EXPECT_EQ(injector_->Key(XK_b, false), 0);
  EXPECT_EQ(injector_->Key(XK_Shift_L, false), 0);
  ASSERT_TRUE(recorder_.WaitFor([](auto& ev) { return Has(ev, KeyRelease, XK_Shift_L); }));
  std::string typed;
  for (const auto& e : recorder_.Events())
    if (e.type == KeyPress) typed += e.text;
  EXPECT_EQ(typed, "aB");
}

TEST_F(XTestInjectorTest, KeysymMissingFromTheMapUsesASpareKeycode) {
  // Pick keysyms the server's map lacks.
  const KeySym candidates[] = {XK_F35, 0x1002801 /* braille dot 1 */, 0x1008ff45 /* XF86Launch5 */,
                               0x1008ff46 /* XF86Launch6 */};
  std::vector<KeySym> missing;
  for (KeySym sym : candidates)
    if (recorder_.KeycodeOf(sym) == 0) missing.push_back(sym);
  ASSERT_GE(missing.size(), 2u);  // two at once: each gets its own spare key
  for (KeySym sym : missing) {
    EXPECT_EQ(injector_->Key(sym, true), 0);
    EXPECT_EQ(injector_->Key(sym, false), 0);
  }
  ASSERT_TRUE(recorder_.WaitFor([&](auto& ev) { return Has(ev, KeyRelease, missing.back()); }));
  for (KeySym sym : missing) EXPECT_TRUE(Has(recorder_.Events(), KeyPress, sym)) << sym;
  // Closing gives the spare keycodes back.
  injector_->Close();
  recorder_.Drain();
  for (KeySym sym : missing) EXPECT_EQ(recorder_.KeycodeOf(sym), 0u);
}

TEST_F(XTestInjectorTest, MovesClicksAndTurnsTheWheel) {
  int32_t w = 0, h = 0;
  ASSERT_TRUE(injector_->ScreenSize(w, h));
  EXPECT_EQ(w, 1280);
  EXPECT_EQ(h, 800);
  EXPECT_EQ(injector_->MoveTo(100, 200), 0);
  EXPECT_EQ(injector_->Button(vk::MouseButton::Right, true), 0);
  EXPECT_EQ(injector_->Button(vk::MouseButton::Right, false), 0);
  EXPECT_EQ(injector_->Wheel(-240), 0);  // two notches towards the user
  EXPECT_EQ(injector_->Wheel(60), 0);    // half a notch: nothing yet
  EXPECT_EQ(injector_->Wheel(60), 0);    // the other half: one notch away
  EXPECT_EQ(injector_->MoveTo(5, 6), 0);
  ASSERT_TRUE(
      recorder_.WaitFor([](auto& ev) { return !ev.empty() && ev.back().type == MotionNotify && ev.back().x == 5; }));
  std::vector<std::pair<int, unsigned>> buttons;
  for (const auto& e : recorder_.Events()) {
    if (e.type != ButtonPress && e.type != ButtonRelease) continue;
    buttons.emplace_back(e.type, e.button);
    EXPECT_EQ(e.x, 100);
    EXPECT_EQ(e.y, 200);
  }
  std::vector<std::pair<int, unsigned>> expected = {{ButtonPress, 3},   {ButtonRelease, 3}, {ButtonPress, 5},
                                                    {ButtonRelease, 5}, {ButtonPress, 5},   {ButtonRelease, 5},
                                                    {ButtonPress, 4},   {ButtonRelease, 4}};
  EXPECT_EQ(buttons, expected);
}

// The viewer goes away in the middle of a drag with Shift held: ending the
// session releases the button and the key, once each, on the desktop.
TEST_F(XTestInjectorTest, ClosingReleasesTheButtonsAndKeysOfAnInterruptedDrag) {
  EXPECT_EQ(injector_->MoveTo(50, 60), 0);
  EXPECT_EQ(injector_->Key(XK_Shift_L, true), 0);
  EXPECT_EQ(injector_->Button(vk::MouseButton::Left, true), 0);
  EXPECT_EQ(injector_->Button(vk::MouseButton::Middle, true), 0);
  EXPECT_EQ(injector_->Button(vk::MouseButton::Middle, false), 0);
  EXPECT_EQ(injector_->MoveTo(300, 200), 0);
  injector_->Close();
  auto releases = [](const std::vector<RecordedEvent>& events, int type, unsigned button) {
    int n = 0;
    for (const auto& e : events) n += e.type == type && (type != ButtonRelease || e.button == button);
    return n;
  };
  ASSERT_TRUE(recorder_.WaitFor(
      [&](auto& ev) { return releases(ev, ButtonRelease, 1) == 1 && Has(ev, KeyRelease, XK_Shift_L); }));
  recorder_.Drain();
  EXPECT_EQ(releases(recorder_.Events(), ButtonRelease, 1), 1);
  EXPECT_EQ(releases(recorder_.Events(), ButtonRelease, 2), 1);
  EXPECT_EQ(releases(recorder_.Events(), KeyRelease, 0), 1);
  for (const auto& e : recorder_.Events()) {
    if (e.type == ButtonRelease && e.button == 1) EXPECT_EQ(e.x, 300);
  }
}

TEST_F(XTestInjectorTest, DisplayReachability) {
  EXPECT_TRUE(vk::XDisplayReachable(server_->DisplayName()));
  EXPECT_FALSE(vk::XDisplayReachable(vk::testing::NoServerDisplayName()));
  auto nowhere = vk::CreateXTestInjector(vk::testing::NoServerDisplayName());
  EXPECT_NE(nowhere->Open(), 0);
  EXPECT_NE(nowhere->Key(XK_a, true), 0);
}

}  // namespace

namespace {

// The X server may go away (a restart of the display manager) and come back;
// the agent lives on and replays into the new one.
TEST(XTestInjectorRestart, SurvivesTheServerGoingAwayAndReconnects) {
  std::string display;
  auto injector = [&] {
    vk::testing::XvfbServer first;
    EXPECT_TRUE(first.StartOn(vk::testing::UnusedDisplayName(), "640x480x24"));
    display = first.DisplayName();
    auto opened = vk::CreateXTestInjector(display);
    EXPECT_EQ(opened->Open(), 0);
    EXPECT_EQ(opened->Key(XK_a, true), 0);
    EXPECT_EQ(opened->Key(XK_a, false), 0);
    return opened;
  }();  // the server stops here
  EXPECT_NE(injector->Key(XK_b, true), 0);
  int32_t w = 0, h = 0;
  EXPECT_FALSE(injector->ScreenSize(w, h));

  vk::testing::XvfbServer second;
  ASSERT_TRUE(second.StartOn(display, "800x600x24"));
  vk::testing::EventRecorder recorder;
  ASSERT_TRUE(recorder.Open(display));
  ASSERT_EQ(injector->Open(), 0);
  ASSERT_TRUE(injector->ScreenSize(w, h));
  EXPECT_EQ(w, 800);
  EXPECT_EQ(injector->Key(XK_c, true), 0);
  EXPECT_EQ(injector->Key(XK_c, false), 0);
  EXPECT_TRUE(recorder.WaitFor([](auto& events) {
    for (const auto& e : events)
      if (e.type == KeyRelease && e.keysym == XK_c) return true;
    return false;
  }));
}

}  // namespace
