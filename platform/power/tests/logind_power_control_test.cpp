// The logind realisation runs loginctl and systemctl; stand-in scripts on
// PATH record the command lines it uses.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/core/error_codes.h"
#include "platform/power/power_control.h"

namespace {

class LogindPowerControlTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vkpowerXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    oldPath_ = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (dir_ + ":" + oldPath_).c_str(), 1);
  }
  void TearDown() override {
    setenv("PATH", oldPath_.c_str(), 1);
    std::filesystem::remove_all(dir_);
  }
  void WriteTool(const std::string& name, const std::string& body) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path) << "#!/bin/sh\necho \"" << name << " $*\" >> " << dir_ << "/calls\n" << body << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }
  std::string Calls() {
    std::ifstream in(dir_ + "/calls");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string dir_, oldPath_;
};

TEST_F(LogindPowerControlTest, EachActionRunsItsCommand) {
  WriteTool("loginctl", "[ \"$1\" = show-seat ] && echo c7\nexit 0");
  WriteTool("systemctl", "exit 0");
  auto power = vk::CreateLogindPowerControl();
  EXPECT_EQ(power->Perform(vk::PowerAction::LogOff), 0);
  EXPECT_EQ(power->Perform(vk::PowerAction::ShutDown), 0);
  EXPECT_EQ(power->Perform(vk::PowerAction::Restart), 0);
  EXPECT_EQ(Calls(),
            "loginctl show-seat seat0 --property=ActiveSession --value\n"
            "loginctl terminate-session c7\n"
            "systemctl poweroff\n"
            "systemctl reboot\n");
}

TEST_F(LogindPowerControlTest, FailuresAreReported) {
  WriteTool("loginctl", "exit 0");  // no active session on the seat
  WriteTool("systemctl", "exit 1");  // refused
  auto power = vk::CreateLogindPowerControl();
  EXPECT_EQ(power->Perform(vk::PowerAction::LogOff), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(power->Perform(vk::PowerAction::ShutDown), ERROR_GEN_FAILURE);
  EXPECT_EQ(Calls(), "loginctl show-seat seat0 --property=ActiveSession --value\nsystemctl poweroff\n");
  EXPECT_EQ(vk::RunProgram({"vk-no-such-program-here"}, nullptr), -1);
}

}  // namespace
