// The "Microsoft Windows Network" lists from what the local network
// announces: a real avahi-daemon of the test's own, other hosts announced by
// avahi-publish, an agent's announcement made as the agent makes it.
#include <gtest/gtest.h>

#include <atomic>

#include "common/archive/collection.h"
#include "common/network/nt4_records.h"
#include "common/netbrowse/dnssd_network_browser.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"
#include "platform/dnssd/dnssd.h"
#include "platform/dnssd/testing/test_avahi.h"

namespace {

using vk::dnssd::testing::TestAvahi;

const cVkNT4Computer* FindComputer(const cVkCollection& computers, const std::u16string& name) {
  for (cVkObject* element : computers.Elements()) {
    auto* computer = dynamic_cast<const cVkNT4Computer*>(element);
    if (computer != nullptr && computer->name == name) return computer;
  }
  return nullptr;
}

size_t CountNamed(const cVkCollection& computers, const std::u16string& name) {
  size_t count = 0;
  for (cVkObject* element : computers.Elements()) {
    auto* computer = dynamic_cast<const cVkNT4Computer*>(element);
    if (computer != nullptr && computer->name == name) ++count;
  }
  return count;
}

class DnsSdNetworkBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!avahi_.Running()) GTEST_SKIP() << avahi_.Failure();
  }
  TestAvahi& avahi_ = TestAvahi::Shared();
  std::shared_ptr<iVkNetworkBrowser> browser_ = VkMakeDnsSdNetworkBrowser();
  std::atomic<bool> cancel_{false};
  cOrkLog log_;
};

TEST_F(DnsSdNetworkBrowser, DomainsAreBrowseListDomainsWithLocalFirst) {
  ASSERT_TRUE(avahi_.AnnounceBrowseDomain("lab.example"));
  cVkCollection domains;
  ASSERT_EQ(browser_->EnumerateDomains(log_, domains, cancel_), 0);
  ASSERT_EQ(domains.GetSize(), 2u);
  auto* local = dynamic_cast<cVkNT4Domain*>(domains.GetAt(0));
  auto* lab = dynamic_cast<cVkNT4Domain*>(domains.GetAt(1));
  ASSERT_NE(local, nullptr);
  ASSERT_NE(lab, nullptr);
  EXPECT_EQ(local->name, u"local");
  EXPECT_EQ(lab->name, u"lab.example");
  EXPECT_EQ(local->type, 0x80000000u);
  EXPECT_EQ(local->GetDescription(), u"Domain: local, PDC: ");
}

TEST_F(DnsSdNetworkBrowser, ComputersAreTheAnnouncingHostsOnceEachWithTheirKindAndAgentBuild) {
  ASSERT_TRUE(avahi_.Publish({{"pc1 [00:11:22:33:44:55]", "_workstation._tcp", 9, "pc1", {}},
                              {"pc1", "_ssh._tcp", 22, "PC1", {}},
                              {"Build server", "_ssh._tcp", 22, "buildsrv", {}},
                              {"odd agent", "_viewkeeper._tcp", 48384, "oddpc", {"build=12x; rm -rf"}},
                              {"Printer", "_ipp._tcp", 631, "printer", {}}}));
  std::unique_ptr<vk::dnssd::DnsSdAnnouncement> agent;
  ASSERT_EQ(vk::dnssd::Announce(u"", u"_viewkeeper._tcp", 48384, {{u"build", u"1114"}, {u"rpc", u"44185"}}, &agent), 0);

  cVkCollection computers;
  const cVkNT4Computer* own = nullptr;
  // The agent's announcement reaches the daemon on the agent's own thread.
  for (int attempt = 0; attempt < 10 && (own == nullptr || own->comment.empty()); ++attempt) {
    computers.DeleteAll();
    ASSERT_EQ(browser_->EnumerateComputers(log_, u"local", computers, cancel_), 0);
    own = FindComputer(computers, std::u16string(u"vkdnshost"));
  }
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->comment, u"DeskAgent, build 1114");
  EXPECT_EQ(own->GetTypeText(), u"Workstation");

  // The workstation and the SSH server of one host are one computer.
  EXPECT_EQ(CountNamed(computers, u"pc1") + CountNamed(computers, u"PC1"), 1u);
  const cVkNT4Computer* pc1 = FindComputer(computers, u"pc1");
  if (pc1 == nullptr) pc1 = FindComputer(computers, u"PC1");
  ASSERT_NE(pc1, nullptr);
  EXPECT_EQ(pc1->type, 0x3u);
  EXPECT_TRUE(pc1->comment.empty());

  const cVkNT4Computer* build = FindComputer(computers, u"buildsrv");
  ASSERT_NE(build, nullptr);
  EXPECT_EQ(build->type, 0x2u);
  EXPECT_EQ(build->GetDescription(), u"buildsrv, Type: Workstation");

  // A build that is not a number is not shown.
  const cVkNT4Computer* odd = FindComputer(computers, u"oddpc");
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(odd->comment, u"DeskAgent");
  EXPECT_EQ(FindComputer(computers, u"printer"), nullptr);
}

TEST_F(DnsSdNetworkBrowser, CancelledEnumerationsAddNothing) {
  cancel_ = true;
  cVkCollection domains;
  cVkCollection computers;
  EXPECT_EQ(browser_->EnumerateDomains(log_, domains, cancel_), ERROR_CANCELLED);
  EXPECT_EQ(browser_->EnumerateComputers(log_, u"local", computers, cancel_), ERROR_CANCELLED);
  EXPECT_EQ(domains.GetSize(), 0u);
  EXPECT_EQ(computers.GetSize(), 0u);
}

}  // namespace
