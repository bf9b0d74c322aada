// Names and TXT entries as the Avahi side hands them over, and what the
// enumerations answer when there is no discovery daemon at all (the test
// runs with a system bus address that nothing listens on).
#include <gtest/gtest.h>

#include "platform/core/error_codes.h"
#include "platform/dnssd/avahi_support.h"
#include "platform/dnssd/dnssd.h"

namespace vk::dnssd {
namespace {

TEST(DnsSdNames, HostNamesLoseTheirDomainAndWorkstationsTheirHardwareAddress) {
  EXPECT_EQ(HostWithoutDomain("pc1.local", "local"), "pc1");
  EXPECT_EQ(HostWithoutDomain("pc1.local.", "local"), "pc1");
  EXPECT_EQ(HostWithoutDomain("PC1.LOCAL", "local"), "PC1");
  EXPECT_EQ(HostWithoutDomain("pc1.branch.example", "branch.example"), "pc1");
  // Only a whole trailing label is the domain.
  EXPECT_EQ(HostWithoutDomain("pc1.nonlocal", "local"), "pc1.nonlocal");
  EXPECT_EQ(HostWithoutDomain("local", "local"), "local");
  EXPECT_EQ(HostWithoutDomain("pc1.example.org", "local"), "pc1.example.org");

  EXPECT_EQ(InstanceHostName("pc1 [00:11:22:33:44:55]"), "pc1");
  EXPECT_EQ(InstanceHostName("Printer [Office]x"), "Printer [Office]x");
  EXPECT_EQ(InstanceHostName("plain"), "plain");
}

TEST(DnsSdNames, TxtEntriesSurviveTheStringListAndBadOnesAreLeftOut) {
  std::vector<TxtEntry> txt{{u"build", u"1114"}, {u"flag", u""}, {u"name", u"Zoë"}};
  AvahiStringList* list = StringListFromTxt(txt);
  std::vector<TxtEntry> back = TxtFromStringList(list);
  avahi_string_list_free(list);
  std::sort(back.begin(), back.end());
  std::sort(txt.begin(), txt.end());
  EXPECT_EQ(back, txt);

  const uint8_t badUtf8[] = {'k', '=', 0xC3, 0x28};
  list = avahi_string_list_add_arbitrary(nullptr, badUtf8, sizeof badUtf8);
  list = avahi_string_list_add(list, "=novalue");
  list = avahi_string_list_add(list, "ok=1");
  back = TxtFromStringList(list);
  avahi_string_list_free(list);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0], (TxtEntry{u"ok", u"1"}));
}

TEST(DnsSdWithoutDaemon, EnumerationsSayTheBrowseListIsNotAvailable) {
  std::vector<std::u16string> domains{u"stale"};
  EXPECT_EQ(BrowseDomains(std::chrono::seconds(5), nullptr, &domains), ERROR_NO_BROWSER_SERVERS_FOUND);
  EXPECT_TRUE(domains.empty());
  std::vector<DnsSdService> services(1);
  EXPECT_EQ(BrowseServices(kDefaultDomain, {u"_ssh._tcp"}, std::chrono::seconds(5), nullptr, &services),
            ERROR_NO_BROWSER_SERVERS_FOUND);
  EXPECT_TRUE(services.empty());

  // Without a system bus no client can be made to wait for a daemon.
  std::unique_ptr<DnsSdAnnouncement> announcement;
  EXPECT_EQ(Announce(u"agent", u"_viewkeeper._tcp", 48384, {{u"build", u"1"}}, &announcement),
            ERROR_NO_BROWSER_SERVERS_FOUND);
  EXPECT_EQ(announcement, nullptr);

  DnsSdCancel cancel;
  cancel.Cancel();
  EXPECT_EQ(BrowseDomains(std::chrono::seconds(5), &cancel, &domains), ERROR_CANCELLED);
}

}  // namespace
}  // namespace vk::dnssd
