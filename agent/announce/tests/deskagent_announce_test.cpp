// deskagent as a process announcing itself on the local network: an
// avahi-daemon of the test's own in private namespaces (the agent's ports
// are the namespace's own), the agent's registry in a folder of the test, a
// notification socket standing in for systemd.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <optional>

#include "agent/tests/agent_test_support.h"
#include "platform/dnssd/dnssd.h"
#include "platform/dnssd/testing/test_avahi.h"
#include "platform/service/tests/notify_socket.h"
#include "platform/testing/child_process.h"

namespace {

using vk::dnssd::DnsSdService;
using vk::dnssd::testing::TestAvahi;
using vk::dnssd::testing::Txt;
using vk::testing::ChildProcess;

std::optional<DnsSdService> FindHost(const std::vector<DnsSdService>& services, const std::u16string& host) {
  auto found = std::find_if(services.begin(), services.end(), [&](const DnsSdService& s) { return s.host == host; });
  return found == services.end() ? std::nullopt : std::optional<DnsSdService>(*found);
}

class DeskAgentAnnouncement : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!avahi_.Running()) GTEST_SKIP() << avahi_.Failure();
    ASSERT_TRUE(notify_.Ok());
  }
  void WriteRegistry(const std::string& announceLine) {
    folder_.WriteRegistry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service]\r\n" + announceLine +
                          "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Locations]\r\n"
                          "\"SettingsPath\"=\"" +
                          folder_.Settings() + "\"\r\n\"ServicePath\"=\"" + folder_.Service() + "\"\r\n\r\n");
  }
  // Starts the agent and waits until it reports running.
  std::unique_ptr<ChildProcess> StartAgent() {
    std::map<std::string, std::string> env{{"VIEWKEEPER_REGISTRY_DIR", folder_.Registry()},
                                           {"VIEWKEEPER_EVENT_LOG", "stderr"},
                                           {"NOTIFY_SOCKET", notify_.Path()}};
    auto agent = std::make_unique<ChildProcess>(DESKAGENT_PATH, env, folder_.Root() + "/stderr.txt");
    for (int report = 0; report < 40; ++report) {
      std::optional<std::string> text = notify_.Next();
      if (!text || text->starts_with("READY=1")) break;
    }
    return agent;
  }
  void StopAgent(ChildProcess& agent) {
    agent.Signal(SIGTERM);
    EXPECT_EQ(agent.Wait(), 0) << vk::testing::ReadFileText(folder_.Root() + "/stderr.txt");
  }
  // Browses the agents until the one on this host shows with an RPC port
  // (`present`) or is gone.
  std::optional<DnsSdService> BrowseUntil(bool present) {
    std::optional<DnsSdService> agent;
    for (int attempt = 0; attempt < 10; ++attempt) {
      std::vector<DnsSdService> services;
      EXPECT_EQ(
          vk::dnssd::BrowseServices(u"local", {u"_viewkeeper._tcp"}, std::chrono::seconds(10), nullptr, &services), 0);
      agent = FindHost(services, u"vkdnshost");
      if (present ? agent && Txt(*agent, u"rpc") != u"<missing>" : !agent) break;
    }
    return agent;
  }

  TestAvahi& avahi_ = TestAvahi::Shared();
  vk::testing::AgentFolder folder_;
  vk::testing::NotifySocket notify_;
};

TEST_F(DeskAgentAnnouncement, RunningAgentIsListedWithBuildAndPortsUntilItStops) {
  WriteRegistry("");
  auto agent = StartAgent();
  std::optional<DnsSdService> seen = BrowseUntil(true);
  ASSERT_TRUE(seen) << vk::testing::ReadFileText(folder_.Root() + "/stderr.txt");
  EXPECT_EQ(seen->port, 48384);
  EXPECT_EQ(Txt(*seen, u"build"), u"1114");
  EXPECT_EQ(Txt(*seen, u"update"), u"48384");
  EXPECT_EQ(Txt(*seen, u"input"), u"48386");
  // The RPC port the agent chose: 44185 or a later one.
  const int rpc = std::stoi(vk::ToUtf8(Txt(*seen, u"rpc")));
  EXPECT_GE(rpc, 44185);

  StopAgent(*agent);
  EXPECT_FALSE(BrowseUntil(false));
}

TEST_F(DeskAgentAnnouncement, AgentSwitchedOffInTheRegistryIsNotListed) {
  WriteRegistry("\"Announce\"=dword:00000000\r\n");
  auto agent = StartAgent();
  // Another agent announced beside it shows that browsing would list it.
  ASSERT_TRUE(avahi_.Publish({{"witness", "_viewkeeper._tcp", 1, "witnesspc", {}}}));
  std::vector<DnsSdService> services;
  for (int attempt = 0; attempt < 10 && !FindHost(services, u"witnesspc"); ++attempt) {
    ASSERT_EQ(vk::dnssd::BrowseServices(u"local", {u"_viewkeeper._tcp"}, std::chrono::seconds(10), nullptr, &services),
              0);
  }
  EXPECT_TRUE(FindHost(services, u"witnesspc"));
  EXPECT_FALSE(FindHost(services, u"vkdnshost"));
  avahi_.Withdraw("witness");
  StopAgent(*agent);
}

}  // namespace
