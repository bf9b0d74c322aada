// Log off, shut down and restart reach logind as D-Bus calls; a stand-in
// logind on a private bus records them.
#include <gtest/gtest.h>

#include "platform/core/error_codes.h"
#include "platform/logind/testing/mock_logind.h"
#include "platform/power/power_control.h"

namespace {

using vk::logind::testing::MockLogind;

class LogindPowerControlTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!logind_.Running()) GTEST_SKIP() << logind_.Failure();
    power_ = vk::CreateLogindPowerControl(logind_.Address());
  }
  MockLogind logind_;
  std::unique_ptr<vk::iVkPowerControl> power_;
};

TEST_F(LogindPowerControlTest, ShutDownAndRestartAskLogindOnce) {
  EXPECT_EQ(power_->Perform(vk::PowerAction::ShutDown), 0);
  EXPECT_EQ(logind_.Calls("PowerOff").size(), 1u);
  EXPECT_TRUE(logind_.Calls("Reboot").empty());
  EXPECT_EQ(power_->Perform(vk::PowerAction::Restart), 0);
  EXPECT_EQ(logind_.Calls("Reboot").size(), 1u);
  EXPECT_TRUE(logind_.Calls("TerminateSession").empty());
}

TEST_F(LogindPowerControlTest, LogOffTerminatesTheSeatsActiveSession) {
  ASSERT_TRUE(logind_.AddSession({.id = "c1", .uid = 65534, .user = "nobody", .display = ":5"}));
  ASSERT_TRUE(logind_.AddSession({.id = "c7", .uid = 65534, .user = "nobody", .display = ":6"}));
  ASSERT_TRUE(logind_.Activate("c1"));
  EXPECT_EQ(power_->Perform(vk::PowerAction::LogOff), 0);
  EXPECT_EQ(logind_.Calls("TerminateSession"), std::vector<std::string>{"c1"});
  EXPECT_TRUE(logind_.Calls("PowerOff").empty());
}

TEST_F(LogindPowerControlTest, LogOffWithoutActiveSessionFailsAndTerminatesNothing) {
  // seat0 exists but shows nothing (the boot before the display manager).
  ASSERT_TRUE(logind_.AddSession({.id = "c2", .uid = 65534, .user = "nobody", .display = ""}));
  ASSERT_TRUE(logind_.Activate(""));
  EXPECT_EQ(power_->Perform(vk::PowerAction::LogOff), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(logind_.Calls("TerminateSession").empty());
}

TEST(LogindPowerControlNoBus, AnUnreachableBusIsAnErrorNotSuccess) {
  auto power = vk::CreateLogindPowerControl("unix:path=/nonexistent/vk-no-bus-here");
  EXPECT_NE(power->Perform(vk::PowerAction::ShutDown), 0);
  EXPECT_NE(power->Perform(vk::PowerAction::LogOff), 0);
}

}  // namespace
