// seat0's active session followed through logind's signals, against a
// stand-in logind on a private bus.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/logind/session_watcher.h"
#include "platform/logind/testing/mock_logind.h"

namespace {

using vk::logind::LoginSession;
using vk::logind::SessionWatcher;
using vk::logind::testing::MockLogind;
using vk::logind::testing::MockSession;

// Every report of the watcher, in order.
class Reports {
 public:
  void Add(const LoginSession& session) {
    std::lock_guard hold(lock_);
    seen_.push_back(session);
    changed_.notify_all();
  }
  bool WaitFor(const std::function<bool(const LoginSession&)>& wanted) {
    std::unique_lock hold(lock_);
    return changed_.wait_for(hold, std::chrono::seconds(10), [&] { return !seen_.empty() && wanted(seen_.back()); });
  }
  std::vector<LoginSession> All() {
    std::lock_guard hold(lock_);
    return seen_;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<LoginSession> seen_;
};

class SessionWatcherTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!logind_.Running()) GTEST_SKIP() << logind_.Failure();
    ASSERT_TRUE(logind_.AddSession(greeter_));
    ASSERT_TRUE(logind_.AddSession(user_));
    ASSERT_TRUE(logind_.Activate(""));
  }
  void StartWatcher() {
    ASSERT_EQ(SessionWatcher::Start(
                  logind_.Address(), [this](const LoginSession& s) { reports_.Add(s); }, &watcher_),
              0);
  }
  MockLogind logind_;
  MockSession greeter_{"c1", 112, "lightdm", "x11", "greeter", ":7", 4242};
  MockSession user_{"c2", 65534, "nobody", "x11", "user", ":8", 4343};
  Reports reports_;
  std::unique_ptr<SessionWatcher> watcher_;
};

TEST_F(SessionWatcherTest, FollowsTheActiveSessionThroughSwitchesAndLogOut) {
  StartWatcher();
  // Nothing shown yet: the watcher knows it and has reported nothing.
  EXPECT_TRUE(watcher_->Current().Empty());

  ASSERT_TRUE(logind_.Activate("c1"));
  ASSERT_TRUE(reports_.WaitFor([](const LoginSession& s) { return s.id == "c1"; }));
  LoginSession greeter = watcher_->Current();
  EXPECT_TRUE(greeter.IsGreeter());
  EXPECT_TRUE(greeter.IsX11());
  EXPECT_EQ(greeter.display, ":7");
  EXPECT_EQ(greeter.uid, 112u);
  EXPECT_EQ(greeter.user, "lightdm");
  EXPECT_EQ(greeter.leader, 4242u);

  ASSERT_TRUE(logind_.Activate("c2"));
  ASSERT_TRUE(reports_.WaitFor([](const LoginSession& s) { return s.id == "c2"; }));
  LoginSession user = watcher_->Current();
  EXPECT_FALSE(user.IsGreeter());
  EXPECT_EQ(user.display, ":8");
  EXPECT_EQ(user.uid, 65534u);

  // Log-out: the session goes, the seat shows the greeter again.
  ASSERT_TRUE(logind_.RemoveSession("c2"));
  ASSERT_TRUE(logind_.Activate("c1"));
  ASSERT_TRUE(reports_.WaitFor([](const LoginSession& s) { return s.id == "c1"; }));

  // Each report is a change: no two equal reports follow each other.
  std::vector<LoginSession> all = reports_.All();
  for (size_t i = 1; i < all.size(); ++i) EXPECT_FALSE(all[i] == all[i - 1]) << i;
}

TEST_F(SessionWatcherTest, WaylandAndTextSessionsAreReportedAsSuch) {
  ASSERT_TRUE(logind_.AddSession({"c3", 65534, "nobody", "wayland", "user", "", 77}));
  ASSERT_TRUE(logind_.AddSession({"c4", 65534, "nobody", "tty", "user", "", 78}));
  StartWatcher();
  ASSERT_TRUE(logind_.Activate("c3"));
  ASSERT_TRUE(reports_.WaitFor([](const LoginSession& s) { return s.id == "c3"; }));
  EXPECT_TRUE(watcher_->Current().IsWayland());
  EXPECT_FALSE(watcher_->Current().IsX11());
  ASSERT_TRUE(logind_.Activate("c4"));
  ASSERT_TRUE(reports_.WaitFor([](const LoginSession& s) { return s.id == "c4"; }));
  EXPECT_FALSE(watcher_->Current().IsX11());
  EXPECT_FALSE(watcher_->Current().IsWayland());
}

TEST(SessionWatcherNoBus, StartFailsWithoutABus) {
  std::unique_ptr<SessionWatcher> watcher;
  EXPECT_NE(SessionWatcher::Start(
                "unix:path=/nonexistent/vk-no-bus", [](const LoginSession&) {}, &watcher),
            0);
  EXPECT_EQ(watcher, nullptr);
}

}  // namespace
