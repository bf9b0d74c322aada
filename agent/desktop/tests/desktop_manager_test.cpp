// The desktop manager with a desktop source that the test switches, and a
// hook library that records its calls.
#include "agent/desktop/desktop_manager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>

#include "agent/desktop/capture_set.h"
#include "agent/screen/tests/capture_test_support.h"
#include "platform/core/error_codes.h"
#include "platform/x11/testing/xvfb_server.h"

namespace {

using vk::test::WaitUntil;

class FakeDesktopSource : public iVkDesktopSource {
 public:
  // The desktop that receives input from now on.
  void SwitchTo(const std::u16string& name) {
    std::lock_guard g(lock_);
    input_ = name;
  }
  void RefuseWinlogon() { refuseWinlogon_ = true; }
  size_t OpenHandles() {
    std::lock_guard g(lock_);
    return open_.size();
  }
  uint64_t AttachedTo() const { return attached_; }
  uint64_t InputOpens() const { return inputOpens_; }

  uint64_t ThreadDesktop() override { return 1; }
  int32_t OpenDesktop(std::u16string_view name, uint32_t access, uint64_t& handle) override {
    EXPECT_EQ(access, VK_WINLOGON_DESKTOP_ACCESS);
    if (refuseWinlogon_) return ERROR_ACCESS_DENIED;
    return Open(std::u16string(name), handle);
  }
  int32_t OpenInputDesktop(uint32_t access, uint64_t& handle) override {
    EXPECT_EQ(access, vk::MAXIMUM_ALLOWED);
    std::lock_guard g(lock_);
    ++inputOpens_;
    return Open(input_, handle);
  }
  int32_t DesktopName(uint64_t handle, std::u16string& name) override {
    std::lock_guard g(lock_);
    auto it = open_.find(handle);
    if (it == open_.end()) return ERROR_INVALID_HANDLE;
    name = it->second;
    return 0;
  }
  int32_t SetThreadDesktop(uint64_t handle) override {
    attached_ = handle;
    return 0;
  }
  int32_t CloseDesktop(uint64_t handle) override {
    std::lock_guard g(lock_);
    return open_.erase(handle) ? 0 : ERROR_INVALID_HANDLE;
  }

 private:
  int32_t Open(const std::u16string& name, uint64_t& handle) {
    handle = next_++;  // every open gives a new handle
    open_[handle] = name;
    return 0;
  }
  std::recursive_mutex lock_;
  std::u16string input_ = u"Default";
  std::map<uint64_t, std::u16string> open_;
  uint64_t next_ = 100;
  std::atomic<uint64_t> attached_{0};
  std::atomic<bool> refuseWinlogon_{false};
  std::atomic<uint64_t> inputOpens_{0};
};

class FakeHooks : public iVkHookLibrary {
 public:
  int32_t SetHook(vk::MessageTarget* window, uint32_t update, uint32_t cc, uint32_t mm) override {
    EXPECT_NE(window, nullptr);
    EXPECT_EQ(update, VkHookMessageIds().update);
    EXPECT_EQ(cc, VkHookMessageIds().displayChange);
    EXPECT_EQ(mm, VkHookMessageIds().mouseMove);
    ++sets;
    hooked = true;
    return 0;
  }
  int32_t StopHook() override {
    ++stops;
    hooked = false;
    return 0;
  }
  std::atomic<int> sets{0}, stops{0};
  std::atomic<bool> hooked{false};
};

class DesktopManagerTest : public ::testing::Test {
 protected:
  // The message window needs no display here.
  void SetUp() override { setenv("DISPLAY", vk::testing::NoServerDisplayName().c_str(), 1); }

  FakeDesktopSource source_;
  FakeHooks hooks_;
  vk::test::LogSink logFile_;
  cOrkLog log_;
};

TEST_F(DesktopManagerTest, ASwitchToTheLogonDesktopAndBackRehooksTwice) {
  cVkCaptureSetLinks links;
  links.logFile = &logFile_;
  links.source = &source_;
  links.hooks = &hooks_;
  links.desktopCheckMs = 2;
  std::atomic<int> fullScreens{0};
  cVkCaptureSet set(links);
  cVkDesktopManagerLinks desktopLinks{&source_, &hooks_, &set.Window(), [&] { ++fullScreens; }, &logFile_, 2, {}};
  cVkDesktopManager manager(desktopLinks);

  ASSERT_EQ(manager.Start(log_), 0);
  ASSERT_TRUE(WaitUntil([&] { return manager.Initialized(); }));
  EXPECT_EQ(manager.LastInitResult(), 0);
  EXPECT_EQ(hooks_.sets, 1);
  EXPECT_NE(source_.AttachedTo(), 0u);

  source_.SwitchTo(u"Winlogon");
  ASSERT_TRUE(WaitUntil([&] { return manager.SwitchCount() == 1 && fullScreens == 1; }));
  EXPECT_EQ(hooks_.sets, 2);
  EXPECT_EQ(hooks_.stops, 1);
  EXPECT_TRUE(hooks_.hooked);
  source_.SwitchTo(u"Default");
  ASSERT_TRUE(WaitUntil([&] { return manager.SwitchCount() == 2 && fullScreens == 2; }));
  EXPECT_EQ(hooks_.sets, 3);
  // The other threads are put on the current input desktop.
  EXPECT_EQ(manager.UseInputDesktop(log_), 0);
  EXPECT_EQ(manager.UseWinlogonDesktop(log_), 0);

  // The same desktop reopened under a new handle, its name in other letter
  // case, is no switch.
  source_.SwitchTo(u"DEFAULT");
  const uint64_t opens = source_.InputOpens();
  ASSERT_TRUE(WaitUntil([&] { return source_.InputOpens() >= opens + 3; }));
  EXPECT_EQ(manager.SwitchCount(), 2u);
  EXPECT_EQ(hooks_.sets, 3);
  EXPECT_TRUE(WaitUntil([&] { return source_.OpenHandles() == 2; }));  // checks close what they open

  ASSERT_EQ(manager.Stop(log_), 0);
  EXPECT_FALSE(hooks_.hooked);
  EXPECT_EQ(source_.OpenHandles(), 0u);  // input and Winlogon desktops closed
  EXPECT_EQ(source_.AttachedTo(), 1u);   // back on its own desktop
  EXPECT_EQ(set.Window().WindowHandle(), nullptr);
  EXPECT_EQ(log_.CountMessages(LOG_ALL), 0u);
}

TEST_F(DesktopManagerTest, WithoutTheLogonDesktopTheHooksAreStillSet) {
  source_.RefuseWinlogon();
  cVkCaptureSetLinks links;
  links.logFile = &logFile_;
  links.source = &source_;
  links.hooks = &hooks_;
  links.desktopCheckMs = 2;
  cVkCaptureSet set(links);
  ASSERT_EQ(set.Desktop().Start(log_), 0);
  ASSERT_TRUE(WaitUntil([&] { return set.Desktop().Initialized(); }));
  EXPECT_EQ(set.Desktop().LastInitResult(), -1);
  EXPECT_TRUE(hooks_.hooked);
  ASSERT_TRUE(WaitUntil(
      [&] { return logFile_.Has(u"An error has occurred while initializing the desktop manager. Errorcode -1."); }));
  EXPECT_TRUE(logFile_.Has(u"Error opening desktop 'Winlogon'. Errorcode 5."));
  EXPECT_TRUE(logFile_.Has(u"An error has occurred while initializing the winlogon desktop. Errorcode 5."));
  ASSERT_EQ(set.Desktop().Stop(log_), 0);
}

TEST(DisplayDesktopSource, OneDesktopNamedDefaultUnderNewHandles) {
  cVkDisplayDesktopSource source;
  uint64_t a = 0, b = 0;
  ASSERT_EQ(source.OpenInputDesktop(vk::MAXIMUM_ALLOWED, a), 0);
  ASSERT_EQ(source.OpenInputDesktop(vk::MAXIMUM_ALLOWED, b), 0);
  EXPECT_NE(a, b);
  cVkDesktopRecord first{a, u""}, second{b, u""};
  ASSERT_EQ(source.DesktopName(a, first.name), 0);
  ASSERT_EQ(source.DesktopName(b, second.name), 0);
  EXPECT_EQ(first.name, u"Default");
  EXPECT_TRUE(first.SameDesktop(second));
  EXPECT_FALSE((cVkDesktopRecord{3, u"Winlogon"}).SameDesktop({4, u"Default"}));
  EXPECT_TRUE((cVkDesktopRecord{3, u"Winlogon"}).SameDesktop({3, u"Default"}));
}

}  // namespace
