// The agents' states beside the browse tree's computers, asked of real
// computers over SSH: a test sshd on 127.0.0.1 in private mount and network
// namespaces, the stand-in systemctl that starts and stops the installed
// deskagent, a computer where nothing listens and one that accepts and then
// says nothing. The console is the real one, offscreen.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <arpa/inet.h>
#include <poll.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <random>

#include "console/browse/multiple_select_save_tree.h"
#include "console/tests/console_host_test.h"
#include "console/tests/console_test_support.h"
#include "console/ui/console_app.h"
#include "console/ui/main_frame.h"

namespace {

namespace fs = std::filesystem;
using vktest::Until;

constexpr int kStateColumn = cVkMultipleSelectSaveTree::kStateColumn;

// A computer that takes SSH connections and never answers them.
class SilentComputer {
 public:
  SilentComputer(const char* address, int port) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, address, &a.sin_addr);
    const int one = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    listening_ = bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(listener_, 4) == 0;
  }
  ~SilentComputer() {
    Hang();
    close(listener_);
  }
  bool Listening() const { return listening_; }
  // True once a client has connected (the connection is kept, unanswered,
  // until Hang).
  bool Connected() {
    if (connected_) return true;
    pollfd p{listener_, POLLIN, 0};
    if (poll(&p, 1, 0) == 1) client_ = accept(listener_, nullptr, nullptr);
    connected_ = client_ >= 0;
    return connected_;
  }
  // True while the connected client still waits (it has not closed its end).
  bool ClientWaits() {
    char buffer[512];
    for (;;) {
      const ssize_t got = recv(client_, buffer, sizeof buffer, MSG_DONTWAIT);
      if (got > 0) continue;
      return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
  }
  // Ends the connection: the client's wait is over.
  void Hang() {
    if (client_ >= 0) close(client_);
    client_ = -1;
  }

 private:
  int listener_ = -1;
  int client_ = -1;
  bool connected_ = false;
  bool listening_ = false;
};

class BrowseAgentStates : public vktest::ConsoleHostTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartConsole("vk-browse-states-"));
    if (IsSkipped()) return;
    Tree().topLevelItem(0)->setExpanded(true);
  }

  cVkMultipleSelectSaveTree& Tree() { return *app_->MainFrame()->BrowseTree(); }

  // The computer's item under Recent (added there first when missing).
  QTreeWidgetItem* Computer(const QString& name) {
    QTreeWidgetItem* network = Tree().topLevelItem(0);
    for (int i = 0; i < network->childCount(); ++i) {
      QTreeWidgetItem* branch = network->child(i);
      if (branch->text(0) != "Recent") continue;
      branch->setExpanded(true);
      for (int j = 0; j < branch->childCount(); ++j)
        if (branch->child(j)->text(0) == name) return branch->child(j);
    }
    Tree().AddRecentComputer(name.toStdU16String());
    return Computer(name);
  }
  std::string State(const QString& name) { return Computer(name)->text(kStateColumn).toStdString(); }
  // Refreshes Recent (a computer's own Refresh opens its desktop) and waits
  // for the computer's new state.
  std::string Refreshed(const QString& name) {
    QTreeWidgetItem* recent = Computer(name)->parent();
    Tree().clearSelection();
    recent->setSelected(true);
    Tree().RefreshSelected();
    Until([&] { return !State(name).empty(); });
    return State(name);
  }
  static void SetPublishedBuild(int build) {
    const std::string dropIn = "/etc/systemd/system/viewkeeper.service.d/zz-test-build.conf";
    if (build == 0) {
      fs::remove(dropIn);
      return;
    }
    fs::create_directories(fs::path(dropIn).parent_path());
    vk::testing::WriteText(dropIn, "[Unit]\nDescription=ViewKeeper Service ((44185," + std::to_string(build) + "))\n");
  }
};

TEST_F(BrowseAgentStates, NotInstalledRunningStoppedOlderBuildAndUnreachable) {
  Computer("127.0.0.1");
  Computer("127.0.0.2");  // nothing listens there
  ASSERT_TRUE(Until([&] { return !State("127.0.0.1").empty() && !State("127.0.0.2").empty(); }));
  EXPECT_EQ(State("127.0.0.1"), "not installed");
  EXPECT_EQ(State("127.0.0.2"), "unreachable (10061)");
  // Asking for states leaves no agent records behind: a record made here
  // would let a later connection skip its build check.
  EXPECT_EQ(Agents().FindAgent(u"127.0.0.2"), nullptr);
  EXPECT_EQ(Agents().FindAgent(u"127.0.0.1"), nullptr);

  ASSERT_EQ(Agents().InstallAgent(log_, u"127.0.0.1", u"/opt/viewkeeper/", nullptr), 0) << vktest::LogText(log_);
  ASSERT_EQ(Agents().StartAgent(log_, u"127.0.0.1", nullptr), 0)
      << vktest::LogText(log_) << vk::testing::ReadFileText("/run/vk-systemctl/agent.out");
  EXPECT_EQ(Refreshed("127.0.0.1"), "running, build 1114");

  ASSERT_EQ(Agents().StopAgent(log_, u"127.0.0.1", nullptr), 0) << vktest::LogText(log_);
  EXPECT_EQ(Refreshed("127.0.0.1"), "stopped, build 1114");

  SetPublishedBuild(1113);
  EXPECT_EQ(Refreshed("127.0.0.1"), "stopped, older build 1113");
  SetPublishedBuild(0);
  ASSERT_EQ(Agents().RemoveAgent(log_, u"127.0.0.1", nullptr), 0) << vktest::LogText(log_);
  EXPECT_EQ(Refreshed("127.0.0.1"), "not installed");
}

// The states are asked in the background: a computer whose host key is not
// known yet gets its error beside it, and no host-key question pops up in
// front of the operator (a question nobody asked for could be answered yes
// by a stray keypress).
TEST_F(BrowseAgentStates, AnUnknownHostKeyIsRefusedWithoutAskingTheOperator) {
  const std::string knownHosts = vktest::AgentHost::KnownHosts();
  const std::string known = vk::testing::ReadFileText(knownHosts);
  vk::testing::WriteText(knownHosts, "");
  int questions = 0;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    ++questions;
    dialog->reject();
  });
  watch.start(20);
  Computer("127.0.0.1");
  const bool answered = Until([&] { return !State("127.0.0.1").empty(); });
  watch.stop();
  const std::string recorded = vk::testing::ReadFileText(knownHosts);
  vk::testing::WriteText(knownHosts, known);

  ASSERT_TRUE(answered);
  EXPECT_EQ(State("127.0.0.1"), "unreachable (1397)");
  EXPECT_EQ(questions, 0);
  EXPECT_EQ(recorded, "");
}

TEST_F(BrowseAgentStates, ASilentComputerHoldsUpNeitherTheOtherComputersNorTheOperator) {
  SilentComputer silent("127.0.0.3", vktest::AgentHost::Server().Port());
  ASSERT_TRUE(silent.Listening());
  Computer("127.0.0.3");
  ASSERT_TRUE(Until([&] { return silent.Connected(); }));

  // Another computer's state comes while the silent one is still asked.
  Computer("127.0.0.1");
  ASSERT_TRUE(Until([&] { return !State("127.0.0.1").empty(); }));
  EXPECT_EQ(State("127.0.0.1"), "not installed");
  EXPECT_TRUE(silent.ClientWaits());
  EXPECT_TRUE(State("127.0.0.3").empty());

  // So does the operator's own question of the agent manager.
  uint32_t state = 99;
  EXPECT_EQ(Agents().QueryAgentState(log_, u"127.0.0.1", &state, nullptr), 0) << vktest::LogText(log_);
  EXPECT_EQ(state, 0u);
  EXPECT_TRUE(silent.ClientWaits());

  silent.Hang();
  ASSERT_TRUE(Until([&] { return !State("127.0.0.3").empty(); }));
  EXPECT_TRUE(State("127.0.0.3").starts_with("unreachable (")) << State("127.0.0.3");
}

// Nor does it hold up the console's end: the question it is asked is
// cancelled, not waited out to the connect timeout (20 s here).
TEST_F(BrowseAgentStates, ClosingTheConsoleCancelsTheQuestionOfASilentComputer) {
  SilentComputer silent("127.0.0.4", vktest::AgentHost::Server().Port());
  ASSERT_TRUE(silent.Listening());
  Computer("127.0.0.4");
  ASSERT_TRUE(Until([&] { return silent.Connected(); }));
  const auto closing = std::chrono::steady_clock::now();
  app_.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::seconds(10));
  EXPECT_FALSE(silent.ClientWaits());  // the console gave the connection up
}

TEST_F(BrowseAgentStates, NoMoreComputersAreAskedAtOnceThanTheBound) {
  // The console asks four at a time: of six silent computers, four are
  // connected and the others wait until one of those is done.
  std::vector<std::unique_ptr<SilentComputer>> silent;
  for (int i = 0; i < 6; ++i) {
    const std::string address = "127.0.0." + std::to_string(10 + i);
    silent.push_back(std::make_unique<SilentComputer>(address.c_str(), vktest::AgentHost::Server().Port()));
    ASSERT_TRUE(silent.back()->Listening());
    Computer(QString::fromStdString(address));
  }
  auto connected = [&] {
    int count = 0;
    for (auto& computer : silent) count += computer->Connected() ? 1 : 0;
    return count;
  };
  ASSERT_TRUE(Until([&] { return connected() == 4; }));
  EXPECT_FALSE(silent[4]->Connected());
  EXPECT_FALSE(silent[5]->Connected());
  silent[0]->Hang();
  ASSERT_TRUE(Until([&] { return connected() == 5; }));
  EXPECT_FALSE(silent[5]->Connected());
  for (int i = 1; i < 5; ++i) silent[i]->Hang();
  ASSERT_TRUE(Until([&] { return connected() == 6; }));
}

}  // namespace
