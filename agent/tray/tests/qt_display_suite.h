// A test suite whose scenarios bring up Qt on one Xvfb of the suite's own,
// with a private XDG_RUNTIME_DIR as Qt wants it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/x11/testing/xvfb_server.h"

class QtDisplaySuite : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/vkqtXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    runtimeDir_ = new std::string(pattern);
    setenv("XDG_RUNTIME_DIR", pattern, 1);
    server_ = new vk::testing::XvfbServer;
    ASSERT_TRUE(server_->Start("1024x768x24"));
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
    std::filesystem::remove_all(*runtimeDir_);
    delete runtimeDir_;
    runtimeDir_ = nullptr;
  }

  static inline vk::testing::XvfbServer* server_ = nullptr;
  static inline std::string* runtimeDir_ = nullptr;
};
