// Test support: a console test against the managed computer of AgentHost.
// The computer (namespaces, sshd, stand-in systemctl) is set up once per
// program; each case gets a console of its own, offscreen, with its own data
// and settings folders and no wizard at start.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "console/tests/agent_host_fixture.h"
#include "console/tests/console_test_support.h"
#include "console/ui/console_app.h"

namespace vktest {

class ConsoleHostTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    StartConsoleApplication();
    AgentHost::Start(STANDIN_PATH);
  }
  static void TearDownTestSuite() {
    AgentHost::Stop();
    EndConsoleApplication();
  }

  // Skips the case when the computer could not be set up here.
  void StartConsole(const std::string& folderPrefix) {
    namespace fs = std::filesystem;
    if (!AgentHost::Ready()) GTEST_SKIP() << "no private namespaces or sshd here";
    dir_ = fs::temp_directory_path() / (folderPrefix + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
    setenv("XDG_DATA_HOME", dir_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    NoWizardAtStart();
    app_ = std::make_unique<cVkConsoleApp>(AgentHost::Target());
    ASSERT_EQ(app_->Start(VkConsoleOptions{}, u""), 0);
    log_.SetMemLogMask(LOG_ALL);
  }
  void TearDown() override {
    app_.reset();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  cVkAgentManager& Agents() { return app_->State().agents; }

  std::filesystem::path dir_;
  cOrkLog log_;
  std::unique_ptr<cVkConsoleApp> app_;
};

}  // namespace vktest
