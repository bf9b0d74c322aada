// The desktops of seat0 from a stand-in logind on a private bus, with a
// login screen on an Xvfb of its own authority: which desktop is the input
// desktop, which display the agent serves with which cookie, and what the
// desktop manager makes of a Wayland session.
#include "agent/desktop/session_desktop_source.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "agent/desktop/desktop_manager.h"
#include "agent/screen/message_window.h"
#include "agent/screen/screen_manager.h"
#include "agent/screen/tests/capture_test_support.h"
#include "agent/screen/update_builder.h"
#include "platform/core/error_codes.h"
#include "platform/logind/testing/mock_logind.h"
#include "platform/x11/display_target.h"
#include "platform/x11/testing/x_authority_file.h"
#include "platform/x11/testing/xvfb_server.h"

namespace {

using vk::logind::testing::MockLogind;
using vk::test::WaitUntil;
using vk::x11::DisplayTarget;

class SessionDesktopSourceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    logind_ = new MockLogind();
    if (!logind_->Running()) return;
    char pattern[] = "/tmp/vkdesktopsXXXXXX";
    dir_ = mkdtemp(pattern);
    cookie_ = vk::x11::testing::WriteAuthorityFile(dir_ + "/greeter.auth");
    greeter_ = new vk::testing::XvfbServer(320, 240, 24, false, dir_ + "/greeter.auth");
    logind_->AddSession({"c1", 0, "root", "x11", "greeter", greeter_->DisplayName(), 1});
    logind_->AddSession({"c2", 0, "root", "wayland", "user", "", 1});
    logind_->AddSession({"c3", 0, "root", "x11", "user", ":65011", 1});  // no server, no authority
  }
  static void TearDownTestSuite() {
    delete greeter_;
    delete logind_;
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  void SetUp() override {
    if (!logind_->Running()) GTEST_SKIP() << logind_->Failure();
    ASSERT_FALSE(cookie_.empty());
    ASSERT_TRUE(greeter_->Running());
  }
  // The input desktop once `id` is active (the source follows logind's
  // signals on its own thread: a new session is a new scope), its name,
  // scope and attach result.
  void Activate(cVkSessionDesktopSource& source, const std::string& id, cVkDesktopRecord* record, int32_t* attach) {
    uint64_t before = 0;
    ASSERT_EQ(source.OpenInputDesktop(vk::MAXIMUM_ALLOWED, before), 0);
    const uint64_t previousScope = source.DesktopScope(before);
    ASSERT_EQ(source.CloseDesktop(before), 0);
    ASSERT_TRUE(logind_->Activate(id));
    ASSERT_TRUE(WaitUntil([&] {
      if (record->handle) source.CloseDesktop(record->handle);
      source.OpenInputDesktop(vk::MAXIMUM_ALLOWED, record->handle);
      return source.DesktopScope(record->handle) != previousScope;
    }));
    ASSERT_EQ(source.DesktopName(record->handle, record->name), 0);
    record->scope = source.DesktopScope(record->handle);
    *attach = source.SetThreadDesktop(record->handle);
  }

  static MockLogind* logind_;
  static vk::testing::XvfbServer* greeter_;
  static std::string dir_, cookie_;
};
MockLogind* SessionDesktopSourceTest::logind_ = nullptr;
vk::testing::XvfbServer* SessionDesktopSourceTest::greeter_ = nullptr;
std::string SessionDesktopSourceTest::dir_, SessionDesktopSourceTest::cookie_;

TEST_F(SessionDesktopSourceTest, EachSessionIsADesktopWithTheDisplayOfItsOwnServer) {
  ASSERT_TRUE(logind_->Activate(""));
  cVkSessionDesktopSource source(logind_->Address());
  EXPECT_EQ(vk::x11::CurrentDisplayTarget().kind, DisplayTarget::Kind::NoDisplay);

  cVkDesktopRecord greeter, wayland, broken;
  int32_t attach = -1;
  Activate(source, "c1", &greeter, &attach);
  EXPECT_EQ(greeter.name, u"Winlogon");
  EXPECT_EQ(attach, 0);
  DisplayTarget target = vk::x11::CurrentDisplayTarget();
  EXPECT_EQ(target.kind, DisplayTarget::Kind::SessionDisplay);
  EXPECT_EQ(target.name, greeter_->DisplayName());
  EXPECT_EQ(target.cookie.name, "MIT-MAGIC-COOKIE-1");
  EXPECT_EQ(target.cookie.data, cookie_);
  EXPECT_FALSE(source.ShowsWayland(greeter.handle));

  Activate(source, "c2", &wayland, &attach);
  EXPECT_EQ(wayland.name, u"Default");
  EXPECT_TRUE(source.ShowsWayland(wayland.handle));
  EXPECT_EQ(attach, 0);
  EXPECT_EQ(vk::x11::CurrentDisplayTarget().kind, DisplayTarget::Kind::NoDisplay);

  // Another session's "Default" is another desktop.
  Activate(source, "c3", &broken, &attach);
  EXPECT_EQ(broken.name, u"Default");
  EXPECT_FALSE(broken.SameDesktop(wayland));
  EXPECT_EQ(attach, ERROR_ACCESS_DENIED);  // no authority for that display: not served
  EXPECT_EQ(vk::x11::CurrentDisplayTarget().kind, DisplayTarget::Kind::NoDisplay);

  // Reopened, the active session is the same desktop under a new handle.
  cVkDesktopRecord again;
  ASSERT_EQ(source.OpenInputDesktop(vk::MAXIMUM_ALLOWED, again.handle), 0);
  ASSERT_EQ(source.DesktopName(again.handle, again.name), 0);
  again.scope = source.DesktopScope(again.handle);
  EXPECT_NE(again.handle, broken.handle);
  EXPECT_TRUE(again.SameDesktop(broken));
  for (uint64_t h : {greeter.handle, wayland.handle, broken.handle, again.handle}) EXPECT_EQ(source.CloseDesktop(h), 0);
  EXPECT_EQ(source.CloseDesktop(again.handle), ERROR_INVALID_HANDLE);
}

TEST_F(SessionDesktopSourceTest, AWaylandSessionIsNamedInTheLog) {
  ASSERT_TRUE(logind_->Activate("c1"));
  cVkSessionDesktopSource source(logind_->Address());
  vk::test::LogSink logFile;
  cVkUpdateBuilder builder;
  cVkScreenManager screen(builder, cVkScreenManagerLinks{});
  cVkMessageWindow window(screen, cVkMessageWindowLinks{});
  cVkDeskHookLibrary hooks;  // on the served display
  std::atomic<int> switches{0};
  cVkDesktopManagerLinks links{&source, &hooks, &window, [] {}, &logFile, 5, [&] { ++switches; }};
  cVkDesktopManager manager(links);
  cOrkLog log;
  ASSERT_EQ(manager.Start(log), 0);
  ASSERT_TRUE(WaitUntil([&] { return manager.Initialized(); }));
  const std::u16string wayland = u"The active session uses Wayland; viewing needs an X11 session.";
  EXPECT_FALSE(logFile.Has(wayland));
  ASSERT_TRUE(logind_->Activate("c2"));
  ASSERT_TRUE(WaitUntil([&] { return switches == 1; }));
  EXPECT_TRUE(WaitUntil([&] { return logFile.Has(wayland); }));
  ASSERT_TRUE(logind_->Activate("c1"));
  ASSERT_TRUE(WaitUntil([&] { return switches == 2; }));
  EXPECT_EQ(manager.Stop(log), 0);
}

}  // namespace
