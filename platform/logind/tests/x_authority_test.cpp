// The authority of a session's display, found for X servers started with
// their own -auth files, and used to open them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/logind/session_environment.h"
#include "platform/logind/x_authority.h"
#include "platform/testing/child_process.h"
#include "platform/x11/testing/x_authority_file.h"
#include "platform/x11/testing/xvfb_server.h"
#include "platform/x11/x_authority.h"
#include "platform/x11/x_connection.h"

namespace {

using vk::logind::FindXAuthority;
using vk::logind::LoginSession;
using vk::testing::XvfbServer;
using vk::x11::testing::WriteAuthorityFile;

constexpr uid_t kUser = 65534;

// A child's /proc environment is its parent's until its exec has happened:
// wait (with a deadline) until the new program's environment holds `entry`.
bool WaitForEnvironmentEntry(pid_t pid, const std::string& entry) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.find(entry + '\0') != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

class XAuthorityTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vkxauthXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ASSERT_FALSE(WriteAuthorityFile(dir_ + "/greeter.auth").empty());
    ASSERT_FALSE(WriteAuthorityFile(dir_ + "/user.auth").empty());
    greeter_ = std::make_unique<XvfbServer>(320, 200, 24, false, dir_ + "/greeter.auth");
    user_ = std::make_unique<XvfbServer>(320, 200, 24, false, dir_ + "/user.auth");
    ASSERT_TRUE(greeter_->Running() && user_->Running());
  }
  void TearDown() override {
    greeter_.reset();
    user_.reset();
    std::filesystem::remove_all(dir_);
  }
  static LoginSession Session(const std::string& display, uid_t uid, uint32_t leader = 0) {
    LoginSession session;
    session.id = "c1";
    session.type = "x11";
    session.display = display;
    session.uid = uid;
    session.leader = leader;
    return session;
  }
  static bool Opens(const std::string& display, const std::string& file) {
    _XDisplay* opened = vk::x11::OpenDisplayWithAuthority(display, file);
    if (opened) vk::x11::CloseDisplay(opened);
    return opened != nullptr;
  }
  std::string dir_;
  std::unique_ptr<XvfbServer> greeter_, user_;
};

TEST_F(XAuthorityTest, EachDisplayOpensWithItsServersOwnFile) {
  // Root servers with root's files, as a display manager starts them.
  const std::string greeterFile = FindXAuthority(Session(greeter_->DisplayName(), 0));
  const std::string userFile = FindXAuthority(Session(user_->DisplayName(), 0));
  EXPECT_EQ(greeterFile, dir_ + "/greeter.auth");
  EXPECT_EQ(userFile, dir_ + "/user.auth");
  EXPECT_TRUE(Opens(greeter_->DisplayName(), greeterFile));
  EXPECT_TRUE(Opens(user_->DisplayName(), userFile));
  // The servers check: the other server's cookie is refused.
  EXPECT_FALSE(Opens(greeter_->DisplayName(), userFile));
  EXPECT_FALSE(Opens(user_->DisplayName(), greeterFile));
}

TEST_F(XAuthorityTest, TheLeadersXauthorityServesWhenTheServersFileIsNotAcceptable) {
  // The server's file now belongs to a third account: not taken.
  ASSERT_EQ(chown((dir_ + "/user.auth").c_str(), 4321, 4321), 0);
  const std::string leaderFile = dir_ + "/leader.auth";
  ASSERT_FALSE(WriteAuthorityFile(leaderFile).empty());
  ASSERT_EQ(chown(leaderFile.c_str(), kUser, kUser), 0);
  vk::testing::ChildProcess leader("/usr/bin/tail",
                                   {{"XAUTHORITY", leaderFile}, {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/vk-test"}},
                                   dir_ + "/leader.err", {"-f", "/dev/null"});
  ASSERT_TRUE(leader.Started());
  ASSERT_TRUE(WaitForEnvironmentEntry(leader.Pid(), "XAUTHORITY=" + leaderFile));
  const auto pid = static_cast<uint32_t>(leader.Pid());
  const LoginSession session = Session(user_->DisplayName(), kUser, pid);
  EXPECT_EQ(FindXAuthority(session), leaderFile);

  // A program started in the session sees what the session's own see.
  std::vector<std::string> env = vk::logind::SessionEnvironment(session);
  auto has = [&](const std::string& entry) { return std::find(env.begin(), env.end(), entry) != env.end(); };
  EXPECT_TRUE(has("DISPLAY=" + user_->DisplayName()));
  EXPECT_TRUE(has("XAUTHORITY=" + leaderFile));
  EXPECT_TRUE(has("DBUS_SESSION_BUS_ADDRESS=unix:path=/run/vk-test"));
  EXPECT_TRUE(has("XDG_RUNTIME_DIR=/run/user/65534"));
  EXPECT_TRUE(has("USER=nobody"));
  EXPECT_TRUE(has("HOME=/nonexistent"));
}

TEST_F(XAuthorityTest, FilesOfOtherAccountsAreNeverTaken) {
  // The user names a root file through the environment: refused, and the
  // account has no home file either.
  ASSERT_EQ(chown((dir_ + "/user.auth").c_str(), 4321, 4321), 0);
  vk::testing::ChildProcess leader("/usr/bin/tail", {{"XAUTHORITY", dir_ + "/greeter.auth"}}, dir_ + "/leader.err",
                                   {"-f", "/dev/null"});
  ASSERT_TRUE(leader.Started());
  const LoginSession session = Session(user_->DisplayName(), kUser, static_cast<uint32_t>(leader.Pid()));
  EXPECT_EQ(FindXAuthority(session), "");
  // Nor is it handed to the user's programs.
  for (const std::string& entry : vk::logind::SessionEnvironment(session))
    EXPECT_NE(entry.rfind("XAUTHORITY=", 0), 0u) << entry;
  // A link to an acceptable file is not followed.
  std::filesystem::create_symlink(dir_ + "/greeter.auth", dir_ + "/link.auth");
  vk::testing::ChildProcess linked("/usr/bin/tail", {{"XAUTHORITY", dir_ + "/link.auth"}}, dir_ + "/linked.err",
                                   {"-f", "/dev/null"});
  EXPECT_EQ(FindXAuthority(Session(user_->DisplayName(), 0, static_cast<uint32_t>(linked.Pid()))), "");
}

TEST(DisplayNumberTest, OnlyLocalDisplayNames) {
  EXPECT_EQ(vk::logind::DisplayNumber(":0"), 0);
  EXPECT_EQ(vk::logind::DisplayNumber(":12.0"), 12);
  EXPECT_EQ(vk::logind::DisplayNumber("host:0"), -1);
  EXPECT_EQ(vk::logind::DisplayNumber(":"), -1);
  EXPECT_EQ(vk::logind::DisplayNumber(":1x"), -1);
  EXPECT_EQ(vk::logind::DisplayNumber(""), -1);
}

}  // namespace
