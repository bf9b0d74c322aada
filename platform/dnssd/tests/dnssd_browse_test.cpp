// Browsing and announcing against a real avahi-daemon of the test's own, in
// private namespaces; the other hosts are announced by avahi-publish.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/core/error_codes.h"
#include "platform/dnssd/dnssd.h"
#include "platform/dnssd/testing/test_avahi.h"

namespace vk::dnssd {
namespace {

using testing::TestAvahi;
using testing::Txt;
using namespace std::chrono_literals;

constexpr auto kLimit = 10s;

const DnsSdService* Find(const std::vector<DnsSdService>& services, const std::u16string& instance) {
  auto found = std::find_if(services.begin(), services.end(), [&](const auto& s) { return s.instance == instance; });
  return found == services.end() ? nullptr : &*found;
}

class DnsSdBrowse : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!avahi_.Running()) GTEST_SKIP() << avahi_.Failure();
  }
  // Browses until `instance` shows with `build` in its TXT (or is gone, for
  // an empty `build`); the announcement reaches the daemon asynchronously.
  std::vector<DnsSdService> BrowseUntil(const std::u16string& type, const std::u16string& instance,
                                        const std::u16string& build) {
    std::vector<DnsSdService> services;
    for (int attempt = 0; attempt < 20; ++attempt) {
      EXPECT_EQ(BrowseServices(kDefaultDomain, {type}, kLimit, nullptr, &services), 0);
      const DnsSdService* found = Find(services, instance);
      if (build.empty() ? found == nullptr : found != nullptr && Txt(*found, u"build") == build) break;
    }
    return services;
  }
  TestAvahi& avahi_ = TestAvahi::Shared();
};

TEST_F(DnsSdBrowse, DomainsAreLocalFirstThenThoseTheNetworkAnnouncesEachOnce) {
  std::vector<std::u16string> domains;
  ASSERT_EQ(BrowseDomains(kLimit, nullptr, &domains), 0);
  ASSERT_FALSE(domains.empty());
  EXPECT_EQ(domains.front(), u"local");

  ASSERT_TRUE(avahi_.AnnounceBrowseDomain("branch.example"));
  ASSERT_TRUE(avahi_.AnnounceBrowseDomain("local"));
  ASSERT_EQ(BrowseDomains(kLimit, nullptr, &domains), 0);
  EXPECT_EQ(domains, (std::vector<std::u16string>{u"local", u"branch.example"}));
}

TEST_F(DnsSdBrowse, HostsOfTheAskedTypesWithTheirNamesPortsAndTxt) {
  ASSERT_TRUE(avahi_.Publish({{"pc1 [00:11:22:33:44:55]", "_workstation._tcp", 9, "pc1", {}},
                              {"Build server", "_ssh._tcp", 22, "buildsrv", {}},
                              {"pc1", "_ssh._tcp", 2222, "pc1", {"owner=ops", "flag"}},
                              {"Printer", "_ipp._tcp", 631, "printer", {}}}));

  std::vector<DnsSdService> services;
  ASSERT_EQ(BrowseServices(kDefaultDomain, {u"_workstation._tcp", u"_ssh._tcp"}, kLimit, nullptr, &services), 0);
  EXPECT_EQ(Find(services, u"Printer"), nullptr);
  const DnsSdService* workstation = Find(services, u"pc1 [00:11:22:33:44:55]");
  const DnsSdService* build = Find(services, u"Build server");
  const DnsSdService* ssh = Find(services, u"pc1");
  ASSERT_NE(workstation, nullptr);
  ASSERT_NE(build, nullptr);
  ASSERT_NE(ssh, nullptr);
  // Each instance once, although the daemon reports it per link and protocol.
  EXPECT_EQ(std::count_if(services.begin(), services.end(), [](const auto& s) { return s.instance == u"pc1"; }), 1);

  EXPECT_EQ(workstation->host, u"pc1");
  EXPECT_EQ(workstation->type, u"_workstation._tcp");
  EXPECT_EQ(workstation->domain, u"local");
  EXPECT_EQ(workstation->port, 9);
  EXPECT_EQ(build->host, u"buildsrv");
  EXPECT_EQ(build->port, 22);
  EXPECT_EQ(ssh->port, 2222);
  EXPECT_EQ(Txt(*ssh, u"owner"), u"ops");
  EXPECT_EQ(Txt(*ssh, u"flag"), u"");

  avahi_.Withdraw("Build server");
  services = BrowseUntil(u"_ssh._tcp", u"Build server", u"");
  EXPECT_EQ(Find(services, u"Build server"), nullptr);
  EXPECT_NE(Find(services, u"pc1"), nullptr);
}

TEST_F(DnsSdBrowse, OwnAnnouncementIsSeenWithItsTxtChangedAndWithdrawn) {
  std::unique_ptr<DnsSdAnnouncement> first;
  ASSERT_EQ(Announce(u"Desk agent", u"_viewkeeper._tcp", 48384, {{u"build", u"1114"}, {u"rpc", u"44185"}}, &first), 0);
  auto services = BrowseUntil(u"_viewkeeper._tcp", u"Desk agent", u"1114");
  const DnsSdService* seen = Find(services, u"Desk agent");
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(seen->host, std::u16string(u"vkdnshost"));
  EXPECT_EQ(seen->port, 48384);
  EXPECT_EQ(Txt(*seen, u"rpc"), u"44185");
  EXPECT_EQ(first->AnnouncedName(), u"Desk agent");

  // A second announcement of the same name gets another one.
  std::unique_ptr<DnsSdAnnouncement> second;
  ASSERT_EQ(Announce(u"Desk agent", u"_viewkeeper._tcp", 48390, {{u"build", u"1200"}}, &second), 0);
  services = BrowseUntil(u"_viewkeeper._tcp", u"Desk agent #2", u"1200");
  ASSERT_NE(Find(services, u"Desk agent #2"), nullptr);
  EXPECT_EQ(Find(services, u"Desk agent #2")->port, 48390);
  EXPECT_EQ(Txt(*Find(services, u"Desk agent"), u"build"), u"1114");

  ASSERT_EQ(first->UpdateTxt({{u"build", u"1115"}}), 0);
  services = BrowseUntil(u"_viewkeeper._tcp", u"Desk agent", u"1115");
  ASSERT_NE(Find(services, u"Desk agent"), nullptr);
  EXPECT_EQ(Txt(*Find(services, u"Desk agent"), u"rpc"), u"<missing>");

  first.reset();
  second.reset();
  services = BrowseUntil(u"_viewkeeper._tcp", u"Desk agent", u"");
  EXPECT_EQ(Find(services, u"Desk agent"), nullptr);
}

TEST_F(DnsSdBrowse, AnnouncementComesBackWhenTheDaemonRestarts) {
  std::unique_ptr<DnsSdAnnouncement> announcement;
  ASSERT_EQ(Announce(u"", u"_viewkeeper._tcp", 48384, {{u"build", u"1114"}}, &announcement), 0);
  ASSERT_NE(Find(BrowseUntil(u"_viewkeeper._tcp", u"vkdnshost", u"1114"), u"vkdnshost"), nullptr);

  ASSERT_TRUE(avahi_.RestartDaemon());
  std::vector<DnsSdService> services = BrowseUntil(u"_viewkeeper._tcp", u"vkdnshost", u"1114");
  ASSERT_NE(Find(services, u"vkdnshost"), nullptr);
  EXPECT_EQ(announcement->AnnouncedName(), u"vkdnshost");
}

TEST_F(DnsSdBrowse, CancelEndsARunningEnumerationAndLeavesNothingBehind) {
  DnsSdCancel cancel;
  std::vector<DnsSdService> services(1);
  int32_t result = -1;
  // A type nobody announces: without the cancel the enumeration would run
  // until the daemon says it has nothing and answer 0.
  std::thread browse([&] { result = BrowseServices(kDefaultDomain, {u"_nobody._tcp"}, 60s, &cancel, &services); });
  cancel.Cancel();
  browse.join();
  EXPECT_EQ(result, ERROR_CANCELLED);
  EXPECT_TRUE(services.empty());

  // The token serves the next enumeration once reset; a watched flag set by
  // another thread cancels as well.
  cancel.Reset();
  std::atomic<bool> flag{false};
  cancel.Watch(&flag);
  std::vector<std::u16string> domains{u"stale"};
  std::thread domainBrowse([&] { result = BrowseDomains(60s, &cancel, &domains); });
  flag = true;
  domainBrowse.join();
  EXPECT_EQ(result, ERROR_CANCELLED);
  EXPECT_TRUE(domains.empty());

  flag = false;
  EXPECT_EQ(BrowseServices(kDefaultDomain, {u"_nobody._tcp"}, kLimit, &cancel, &services), 0);
}

}  // namespace
}  // namespace vk::dnssd
