// The tray helper as the agent runs it: the real deskagent-tray, started as
// another user on an X server with its own authority, linked to the
// agent's end. The person's answer typed on that display reaches the
// agent; a killed helper is noticed and the agent's side goes on.
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

#include "agent/tray/tray_helper_link.h"
#include "platform/testing/child_process.h"
#include "platform/x11/testing/x_authority_file.h"
#include "platform/x11/testing/xvfb_server.h"
#include "platform/xtest/input_injector.h"

namespace {

using vk::traylink::MessageType;
using vk::traylink::TrayMessage;
using End = cVkTrayHelperLink::End;

constexpr uint32_t kNobody = 65534;

class Received {
 public:
  cVkTrayHelperLink::Events Events() {
    return {[this](const TrayMessage& m) {
              std::lock_guard hold(lock_);
              messages_.push_back(m);
              changed_.notify_all();
            },
            [this](End end) {
              std::lock_guard hold(lock_);
              end_ = end;
              changed_.notify_all();
            }};
  }
  // The first message of `type` for question `id` (and removes it).
  std::optional<TrayMessage> WaitFor(MessageType type, uint64_t id,
                                     std::chrono::milliseconds deadline = std::chrono::seconds(30)) {
    std::unique_lock hold(lock_);
    std::optional<TrayMessage> found;
    changed_.wait_for(hold, deadline, [&] {
      for (auto it = messages_.begin(); it != messages_.end(); ++it) {
        if (it->type != type || it->questionId != id) continue;
        found = *it;
        messages_.erase(it);
        return true;
      }
      return false;
    });
    return found;
  }
  std::optional<End> WaitForEnd() {
    std::unique_lock hold(lock_);
    changed_.wait_for(hold, std::chrono::seconds(20), [&] { return end_.has_value(); });
    return end_;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<TrayMessage> messages_;
  std::optional<End> end_;
};

class TrayHelperTest : public testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "the helper runs as another user: needs root";
    char pattern[] = "/tmp/vktrayhelperXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    // The user's own session: its authority file and runtime folder are the user's.
    authority_ = dir_ + "/user.auth";
    ASSERT_FALSE(vk::x11::testing::WriteAuthorityFile(authority_).empty());
    ASSERT_EQ(chown(authority_.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
    runtime_ = dir_ + "/runtime";
    ASSERT_EQ(mkdir(runtime_.c_str(), 0700), 0);
    ASSERT_EQ(chown(runtime_.c_str(), kNobody, kNobody), 0);
    xvfb_ = std::make_unique<vk::testing::XvfbServer>(800, 600, 24, false, authority_);
    ASSERT_TRUE(xvfb_->Running());
  }
  void TearDown() override {
    link_.reset();
    xvfb_.reset();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  void StartHelper() {
    vk::UserProcessLaunch launch;
    launch.program = TRAY_HELPER_PATH;
    launch.uid = kNobody;
    launch.environment = {"DISPLAY=" + xvfb_->DisplayName(),
                          "XAUTHORITY=" + authority_,
                          "XDG_RUNTIME_DIR=" + runtime_,
                          "QT_QPA_PLATFORM=xcb",
                          "PATH=/usr/bin:/bin",
                          "ASAN_OPTIONS=detect_leaks=0:strict_string_checks=0"};
    launch.stderrPath = dir_ + "/helper.err";
    ASSERT_EQ(cVkTrayHelperLink::Start(launch, received_.Events(), &link_), 0);
  }
  void Ask(uint64_t id) {
    TrayMessage state;
    state.type = MessageType::State;
    state.iconState = 2;
    state.balloonTitle = u"ViewKeeper Question";
    state.balloonText = u"admin wants to view your desktop from a remote location.";
    state.balloonPending = true;
    ASSERT_TRUE(link_->Send(state));
    TrayMessage ask;
    ask.type = MessageType::Ask;
    ask.questionId = id;
    ASSERT_TRUE(link_->Send(ask));
    ASSERT_TRUE(received_.WaitFor(MessageType::QuestionShown, id)) << vk::testing::ReadFileText(dir_ + "/helper.err");
  }
  // Types on the helper's display as the person would, until the answer
  // comes: the box takes the keyboard only once the server has mapped and
  // focused it, some time after it reported itself shown.
  std::optional<TrayMessage> AnswerWith(std::initializer_list<uint32_t> keysyms, uint64_t id) {
    for (int attempt = 0; attempt < 20; ++attempt) {
      Press(keysyms);
      if (auto answer = received_.WaitFor(MessageType::Answer, id, std::chrono::milliseconds(500))) return answer;
    }
    return std::nullopt;
  }
  void Press(std::initializer_list<uint32_t> keysyms) {
    setenv("XAUTHORITY", authority_.c_str(), 1);
    auto keyboard = vk::CreateXTestInjector(xvfb_->DisplayName());
    ASSERT_EQ(keyboard->Open(), 0);
    for (uint32_t k : keysyms) keyboard->Key(k, true);
    for (auto k = std::rbegin(keysyms); k != std::rend(keysyms); ++k) keyboard->Key(*k, false);
    keyboard->Close();
  }

  std::string dir_, authority_, runtime_;
  std::unique_ptr<vk::testing::XvfbServer> xvfb_;
  Received received_;
  std::unique_ptr<cVkTrayHelperLink> link_;
};

TEST_F(TrayHelperTest, TheAnswerGivenOnTheUsersDisplayReachesTheAgent) {
  StartHelper();
  Ask(5);
  // Escape answers the question No, Alt+Y answers Yes.
  std::optional<TrayMessage> no = AnswerWith({XK_Escape}, 5);
  ASSERT_TRUE(no);
  EXPECT_FALSE(no->yes);
  Ask(6);
  std::optional<TrayMessage> yes = AnswerWith({XK_Alt_L, XK_y}, 6);
  ASSERT_TRUE(yes);
  EXPECT_TRUE(yes->yes);
  // Quit ends the helper at once.
  link_.reset();
  EXPECT_EQ(received_.WaitForEnd(), End::HelperGone);
}

TEST_F(TrayHelperTest, AKilledHelperLeavesTheQuestionUnansweredAndTheLinkEnded) {
  StartHelper();
  Ask(9);
  kill(link_->HelperPid(), SIGKILL);
  EXPECT_EQ(received_.WaitForEnd(), End::HelperGone);
  EXPECT_TRUE(link_->Ended());
  TrayMessage close;
  close.type = MessageType::CloseQuestion;
  close.questionId = 9;
  EXPECT_FALSE(link_->Send(close));
}

}  // namespace
