// The tray follows seat0's active session: a stand-in logind on a private
// bus switches between a greeter and a user's X11 session (each X server
// with its own authority), and the real deskagent-tray runs as the user in
// the user's session only.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "agent/tray/session_tray_host.h"
#include "platform/logind/testing/mock_logind.h"
#include "platform/testing/child_process.h"
#include "platform/x11/testing/x_authority_file.h"
#include "platform/x11/testing/xvfb_server.h"

namespace {

using vk::logind::testing::MockLogind;
using vk::testing::XvfbServer;

constexpr uint32_t kNobody = 65534;

// What the host reports to the tray manager, in order.
class Recorder final : public cVkTrayHelperEvents {
 public:
  void AnswerQuestion(uint64_t id, bool yes) override { Add("answer " + std::to_string(id) + (yes ? " yes" : " no")); }
  void QuestionShown(uint64_t id) override { Add("shown " + std::to_string(id)); }
  void ToggleAllowed() override { Add("toggle"); }
  void HelperChanged(bool running) override { Add(running ? "helper up" : "helper down"); }

  // Waits until `event` has happened `count` times in all.
  bool WaitFor(const std::string& event, size_t count = 1) {
    std::unique_lock hold(lock_);
    return changed_.wait_for(hold, std::chrono::seconds(30), [&] {
      return static_cast<size_t>(std::count(events_.begin(), events_.end(), event)) >= count;
    });
  }
  std::vector<std::string> Events() {
    std::lock_guard hold(lock_);
    return events_;
  }

 private:
  void Add(const std::string& event) {
    std::lock_guard hold(lock_);
    events_.push_back(event);
    changed_.notify_all();
  }
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<std::string> events_;
};

class SessionTrayHostTest : public testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "the helper runs as another user: needs root";
    if (!logind_.Running()) GTEST_SKIP() << logind_.Failure();
    char pattern[] = "/tmp/vksessiontrayXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
    // The greeter's server is root's; the user's server uses a file of the user.
    ASSERT_FALSE(vk::x11::testing::WriteAuthorityFile(dir_ + "/greeter.auth").empty());
    ASSERT_FALSE(vk::x11::testing::WriteAuthorityFile(dir_ + "/user.auth").empty());
    ASSERT_EQ(chown((dir_ + "/user.auth").c_str(), kNobody, kNobody), 0);
    const std::string runtime = dir_ + "/runtime";
    ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
    ASSERT_EQ(chown(runtime.c_str(), kNobody, kNobody), 0);
    greeter_ = std::make_unique<XvfbServer>(640, 480, 24, false, dir_ + "/greeter.auth");
    user_ = std::make_unique<XvfbServer>(640, 480, 24, false, dir_ + "/user.auth");
    ASSERT_TRUE(greeter_->Running() && user_->Running());
    // The user session's leader carries the session's runtime folder.
    leader_ = std::make_unique<vk::testing::ChildProcess>(
        "/usr/bin/tail", std::map<std::string, std::string>{{"XDG_RUNTIME_DIR", runtime}}, dir_ + "/leader.err",
        std::vector<std::string>{"-f", "/dev/null"});
    ASSERT_TRUE(logind_.AddSession({"c1", 0, "root", "x11", "greeter", greeter_->DisplayName(), 1}));
    ASSERT_TRUE(logind_.AddSession(
        {"c2", kNobody, "nobody", "x11", "user", user_->DisplayName(), static_cast<uint32_t>(leader_->Pid())}));
    ASSERT_TRUE(logind_.Activate("c1"));

    config_.helperProgram = TRAY_HELPER_PATH;
    config_.busAddress = logind_.Address();
    config_.extraEnvironment = {"QT_QPA_PLATFORM=xcb", "ASAN_OPTIONS=detect_leaks=0:strict_string_checks=0"};
    host_ = std::make_unique<cVkSessionTrayHost>(recorder_, config_);
    cOrkLog log;
    ASSERT_EQ(host_->Start(log), 0);
  }
  void TearDown() override {
    host_.reset();
    leader_.reset();
    greeter_.reset();
    user_.reset();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  MockLogind logind_;
  std::string dir_;
  std::unique_ptr<XvfbServer> greeter_, user_;
  std::unique_ptr<vk::testing::ChildProcess> leader_;
  Recorder recorder_;
  cVkSessionTrayHost::Config config_;
  std::unique_ptr<cVkSessionTrayHost> host_;
};

TEST_F(SessionTrayHostTest, TheHelperRunsInTheUserSessionOnlyAndComesBackWithIt) {
  // The login screen: no helper.
  EXPECT_FALSE(host_->HelperRunning());

  ASSERT_TRUE(logind_.Activate("c2"));
  ASSERT_TRUE(recorder_.WaitFor("helper up"));
  EXPECT_TRUE(host_->HelperRunning());
  // The helper answers on the user's display.
  cVkTrayState state;
  state.iconState = TRAY_QUESTION;
  host_->Show(state, cVkViewerInfo{true, u"DOMAIN\\admin", 0x0100007f});
  host_->Ask(3);
  ASSERT_TRUE(recorder_.WaitFor("shown 3"));

  // Back to the login screen: the helper goes.
  ASSERT_TRUE(logind_.Activate("c1"));
  ASSERT_TRUE(recorder_.WaitFor("helper down"));
  EXPECT_FALSE(host_->HelperRunning());
  host_->Ask(4);  // nobody to ask: dropped

  // The next user session gets a helper of its own.
  ASSERT_TRUE(logind_.Activate("c2"));
  ASSERT_TRUE(recorder_.WaitFor("helper up", 2));
  host_->Ask(5);
  ASSERT_TRUE(recorder_.WaitFor("shown 5"));
  const std::vector<std::string> events = recorder_.Events();
  EXPECT_EQ(std::count(events.begin(), events.end(), "shown 4"), 0);
}

// The agent may start before the system bus: the tray follows the seat once
// the bus is there and the tray has something to show.
TEST_F(SessionTrayHostTest, ABusThatComesLateIsFollowedWhenTheTrayNextShows) {
  host_.reset();  // one helper at a time in the user's session
  ASSERT_TRUE(logind_.Activate("c2"));
  const std::string late = dir_ + "/late-bus";
  cVkSessionTrayHost::Config config = config_;
  config.busAddress = "unix:path=" + late;
  Recorder recorder;
  cVkSessionTrayHost host(recorder, config);
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  EXPECT_NE(host.Start(log), 0);
  EXPECT_EQ(log.CountMessages(LOG_ERROR), 1u);
  host.Show(cVkTrayState{}, cVkViewerInfo{});
  EXPECT_FALSE(host.HelperRunning());

  // The bus appears (here: the stand-in logind's socket under that name).
  const std::string prefix = "unix:path=";
  ASSERT_EQ(symlink(logind_.Address().substr(prefix.size()).c_str(), late.c_str()), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  host.Show(cVkTrayState{}, cVkViewerInfo{});
  ASSERT_TRUE(recorder.WaitFor("helper up"));
  EXPECT_TRUE(host.HelperRunning());
  host.Stop();
  EXPECT_FALSE(host.HelperRunning());
}

TEST_F(SessionTrayHostTest, AKilledHelperCountsAsGoneAndTheAgentSideGoesOn) {
  ASSERT_TRUE(logind_.Activate("c2"));
  ASSERT_TRUE(recorder_.WaitFor("helper up"));
  const int pid = host_->HelperPid();
  ASSERT_GT(pid, 0);
  kill(pid, SIGKILL);
  ASSERT_TRUE(recorder_.WaitFor("helper down"));
  EXPECT_FALSE(host_->HelperRunning());
  // Not started again for the same session; the next one gets one.
  ASSERT_TRUE(logind_.Activate("c1"));
  ASSERT_TRUE(recorder_.WaitFor("helper down", 2));
  ASSERT_TRUE(logind_.Activate("c2"));
  ASSERT_TRUE(recorder_.WaitFor("helper up", 2));
  EXPECT_TRUE(host_->HelperRunning());
  EXPECT_NE(host_->HelperPid(), pid);
}

}  // namespace
