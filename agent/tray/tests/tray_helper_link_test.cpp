// The agent's end of the tray helper link against real helper processes
// running as another user: messages arrive, a malformed frame ends the
// link, a killed helper is noticed, and the agent side survives each.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

#include "agent/tray/tray_helper_link.h"

namespace {

using vk::traylink::MessageType;
using vk::traylink::TrayMessage;
using End = cVkTrayHelperLink::End;

constexpr uint32_t kNobody = 65534;

class Observed {
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
  bool WaitForMessages(size_t count) {
    std::unique_lock hold(lock_);
    return changed_.wait_for(hold, std::chrono::seconds(20), [&] { return messages_.size() >= count; });
  }
  std::optional<End> WaitForEnd() {
    std::unique_lock hold(lock_);
    changed_.wait_for(hold, std::chrono::seconds(20), [&] { return end_.has_value(); });
    return end_;
  }
  std::vector<TrayMessage> Messages() {
    std::lock_guard hold(lock_);
    return messages_;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<TrayMessage> messages_;
  std::optional<End> end_;
};

vk::UserProcessLaunch Script(const std::string& script) {
  vk::UserProcessLaunch launch;
  launch.program = "/bin/sh";
  launch.args = {"-c", script};
  launch.uid = kNobody;
  launch.environment = {"PATH=/usr/bin:/bin"};
  return launch;
}

class TrayHelperLinkTest : public testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "the helper runs as another user: needs root";
  }
  Observed observed_;
};

TEST_F(TrayHelperLinkTest, TheHelpersMessagesArriveAndQuitEndsIt) {
  // An answer Yes to question 7 and a menu toggle, byte for byte, then the
  // helper reads until the agent's Quit frame (six bytes) is in.
  std::unique_ptr<cVkTrayHelperLink> link;
  ASSERT_EQ(cVkTrayHelperLink::Start(Script("printf '\\013\\0\\0\\0\\020\\0\\007\\0\\0\\0\\0\\0\\0\\0\\001"
                                            "\\002\\0\\0\\0\\022\\0' >&3; exec head -c 6 <&3 >/dev/null"),
                                     observed_.Events(), &link),
            0);
  ASSERT_TRUE(observed_.WaitForMessages(2));
  std::vector<TrayMessage> got = observed_.Messages();
  EXPECT_EQ(got[0].type, MessageType::Answer);
  EXPECT_EQ(got[0].questionId, 7u);
  EXPECT_TRUE(got[0].yes);
  EXPECT_EQ(got[1].type, MessageType::Toggle);
  TrayMessage ask;
  ask.type = MessageType::Ask;
  ask.questionId = 8;
  EXPECT_TRUE(link->Send(ask));
  EXPECT_FALSE(link->Ended());
  link.reset();
  EXPECT_EQ(observed_.WaitForEnd(), End::HelperGone);
}

TEST_F(TrayHelperLinkTest, AMalformedFrameEndsTheLinkAndNothingOfItIsTaken) {
  // A frame claiming 2 GiB, after one good toggle.
  std::unique_ptr<cVkTrayHelperLink> link;
  ASSERT_EQ(cVkTrayHelperLink::Start(Script("printf '\\002\\0\\0\\0\\022\\0\\377\\377\\377\\177\\022\\0' >&3; "
                                            "exec tail -f /dev/null"),
                                     observed_.Events(), &link),
            0);
  EXPECT_EQ(observed_.WaitForEnd(), End::Malformed);
  ASSERT_EQ(observed_.Messages().size(), 1u);
  EXPECT_EQ(observed_.Messages()[0].type, MessageType::Toggle);
  TrayMessage state;
  state.type = MessageType::State;
  EXPECT_FALSE(link->Send(state));
  link.reset();  // stops the helper that would never end by itself
}

TEST_F(TrayHelperLinkTest, AKilledHelperEndsTheLink) {
  std::unique_ptr<cVkTrayHelperLink> link;
  ASSERT_EQ(cVkTrayHelperLink::Start(Script("exec tail -f /dev/null"), observed_.Events(), &link), 0);
  ASSERT_GT(link->HelperPid(), 0);
  kill(link->HelperPid(), SIGKILL);
  EXPECT_EQ(observed_.WaitForEnd(), End::HelperGone);
  TrayMessage state;
  state.type = MessageType::State;
  EXPECT_FALSE(link->Send(state));
}

}  // namespace
