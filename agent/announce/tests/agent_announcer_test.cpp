// The agent's announcement as a console browsing the local network sees it:
// a real avahi-daemon of the test's own (private namespaces and bus), the
// registry in a folder of the test.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "agent/announce/agent_announcer.h"
#include "agent/service/agent_version.h"
#include "agent/service/locations_setup.h"
#include "agent/service/registry_values.h"
#include "log/orklog.h"
#include "platform/dnssd/testing/test_avahi.h"
#include "platform/registry/registry.h"
#include "platform/ssh/testing/test_sshd.h"

namespace vk::agent {
namespace {

using vk::dnssd::DnsSdService;
using vk::dnssd::testing::TestAvahi;
using vk::dnssd::testing::Txt;

class AgentAnnouncer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    registry_ = vk::testing::MakeTempFolder("vk-announce-registry-");
    setenv("VIEWKEEPER_REGISTRY_DIR", registry_.c_str(), 1);
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(registry_); }
  void SetUp() override {
    if (!avahi_.Running()) GTEST_SKIP() << avahi_.Failure();
  }
  void SetAnnounceValue(uint32_t value) {
    vk::RegKey root;
    ASSERT_EQ(vk::RegistryConnect(u"", vk::RegRoot::LocalMachine, &root), 0);
    ASSERT_EQ(WriteDwordValue(root, kVkServiceKey, kAnnounceValue, value), 0);
  }
  // Browses until the agent's instance (this daemon's host name) shows with
  // `rpc` in its TXT ("" : until it is gone).
  std::optional<DnsSdService> BrowseUntil(const std::u16string& rpc) {
    std::optional<DnsSdService> agent;
    for (int attempt = 0; attempt < 10; ++attempt) {
      std::vector<DnsSdService> services;
      EXPECT_EQ(vk::dnssd::BrowseServices(u"local", {kAgentServiceType}, std::chrono::seconds(10), nullptr, &services),
                0);
      auto found =
          std::find_if(services.begin(), services.end(), [](const DnsSdService& s) { return s.host == u"vkdnshost"; });
      agent = found == services.end() ? std::nullopt : std::optional<DnsSdService>(*found);
      if (rpc.empty() ? !agent : agent && Txt(*agent, u"rpc") == rpc) break;
    }
    return agent;
  }

  static inline std::string registry_;
  TestAvahi& avahi_ = TestAvahi::Shared();
  cOrkLog log_;
  cVkAgentAnnouncer announcer_{[] { return cVkAnnouncedPorts{48390, 48392}; }, nullptr};
};

TEST_F(AgentAnnouncer, AnnouncesBuildAndPortsAddsTheRpcPortAndWithdrawsAtStop) {
  SetAnnounceValue(1);
  ASSERT_EQ(announcer_.Start(log_), 0);
  std::optional<DnsSdService> agent = BrowseUntil(u"<missing>");
  ASSERT_TRUE(agent);
  EXPECT_EQ(agent->instance, u"vkdnshost");
  EXPECT_EQ(agent->port, 48390);
  EXPECT_EQ(Txt(*agent, u"build"), u"1114");
  EXPECT_EQ(Txt(*agent, u"update"), u"48390");
  EXPECT_EQ(Txt(*agent, u"input"), u"48392");

  announcer_.SetRpcPort(44187);
  agent = BrowseUntil(u"44187");
  ASSERT_TRUE(agent);
  EXPECT_EQ(Txt(*agent, u"rpc"), u"44187");
  EXPECT_EQ(Txt(*agent, u"build"), u"1114");

  ASSERT_EQ(announcer_.Stop(log_), 0);
  EXPECT_FALSE(BrowseUntil(u""));
  EXPECT_TRUE(log_.GetMessages().empty());
}

TEST_F(AgentAnnouncer, SwitchedOffInTheRegistryNothingIsAnnounced) {
  SetAnnounceValue(0);
  EXPECT_FALSE(cVkAgentAnnouncer::AnnouncementWanted());
  ASSERT_EQ(announcer_.Start(log_), 0);
  announcer_.SetRpcPort(44187);
  // Another agent announced beside it shows that browsing works and
  // would have listed this one.
  ASSERT_TRUE(avahi_.Publish({{"witness", "_viewkeeper._tcp", 1, "witnesspc", {}}}));
  std::vector<DnsSdService> services;
  for (int attempt = 0; attempt < 10; ++attempt) {
    ASSERT_EQ(vk::dnssd::BrowseServices(u"local", {kAgentServiceType}, std::chrono::seconds(10), nullptr, &services),
              0);
    if (std::any_of(services.begin(), services.end(), [](const auto& s) { return s.instance == u"witness"; })) break;
  }
  EXPECT_TRUE(std::any_of(services.begin(), services.end(), [](const auto& s) { return s.instance == u"witness"; }));
  EXPECT_FALSE(std::any_of(services.begin(), services.end(), [](const auto& s) { return s.host == u"vkdnshost"; }));
  avahi_.Withdraw("witness");
  ASSERT_EQ(announcer_.Stop(log_), 0);

  SetAnnounceValue(1);
  EXPECT_TRUE(cVkAgentAnnouncer::AnnouncementWanted());
}

}  // namespace
}  // namespace vk::agent
