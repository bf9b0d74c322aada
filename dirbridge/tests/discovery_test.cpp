// Directory servers found through DNS SRV records when ldap.conf names no
// directory: the test runs in network and mount namespaces of its own, with
// dnsmasq answering on 127.0.0.1:53 and its own /etc/resolv.conf, so that no
// query leaves it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>

#include "common/archive/archive.h"
#include "common/network/directory_records.h"
#include "common/network/w2k_records.h"
#include "dirbridge/dirbridge.h"
#include "dirbridge/tests/slapd_server.h"
#include "log/orklog.h"
#include "platform/ldap/ldap_discovery.h"

namespace {

using vk::testing::ChildProcess;
using vk::testing::SlapdServer;

std::string privateNamespaceFailure;  // empty once the test has its own namespaces
std::string folder;

bool LoopbackUp() {
  int s = socket(AF_INET, SOCK_DGRAM, 0);
  ifreq request{};
  std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
  bool up = ioctl(s, SIOCGIFFLAGS, &request) == 0;
  request.ifr_flags |= IFF_UP;
  up = up && ioctl(s, SIOCSIFFLAGS, &request) == 0;
  close(s);
  return up;
}

// Network and mount namespaces of the test's own, with its resolv.conf.
void EnterPrivateNamespaces() {
  if (unshare(CLONE_NEWNET | CLONE_NEWNS) != 0) {
    privateNamespaceFailure = std::string("unshare: ") + strerror(errno);
    return;
  }
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 || !LoopbackUp()) {
    privateNamespaceFailure = "mount or loopback failed";
    return;
  }
  char pattern[] = "/tmp/vk-discovery-XXXXXX";
  folder = mkdtemp(pattern);
  std::ofstream(folder + "/resolv.conf") << "nameserver 127.0.0.1\nsearch corp.test\n";
  if (mount((folder + "/resolv.conf").c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0)
    privateNamespaceFailure = "resolv.conf could not be replaced";
}

std::string Tree() {
  return "dn: dc=corp,dc=test\nobjectClass: domainDNS\ndc: corp\n\n"
         "dn: cn=Admins,dc=corp,dc=test\nobjectClass: group\ncn: Admins\nsAMAccountName: Admins\n\n";
}

class Discovery : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!privateNamespaceFailure.empty()) return;
    directory = new SlapdServer("dc=corp,dc=test", Tree(), SCHEMA_FILE);
    const std::string port = std::to_string(directory->Port());
    dns = new ChildProcess(
        "/usr/sbin/dnsmasq", {}, folder + "/dnsmasq.err",
        {"--keep-in-foreground", "--port=53", "--listen-address=127.0.0.1", "--bind-interfaces", "--no-resolv",
         "--no-hosts", "--no-poll", "--user=root", "--pid-file",
         "--srv-host=_ldap._tcp.corp.test,dir.corp.test," + port + ",0,100", "--host-record=dir.corp.test,127.0.0.1"});
  }
  static void TearDownTestSuite() {
    delete dns;
    delete directory;
  }
  void SetUp() override {
    if (!privateNamespaceFailure.empty()) GTEST_SKIP() << "no private namespaces: " << privateNamespaceFailure;
    ASSERT_TRUE(directory->Running()) << directory->Diagnostics();
    ASSERT_TRUE(dns->Started());
    // The DNS server answers once it listens.
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (vk::ldap::DiscoverDirectoryUris("corp.test").empty() && std::chrono::steady_clock::now() < end)
      ASSERT_FALSE(dns->Wait(std::chrono::milliseconds(20))) << vk::testing::ReadFileText(folder + "/dnsmasq.err");
    log.SetMemLogMask(LOG_ALL);
  }

  static inline SlapdServer* directory = nullptr;
  static inline ChildProcess* dns = nullptr;
  cOrkLog log;
  uint8_t* buffer = nullptr;
  uint32_t length = 0;
};

cVkCollection* Read(uint8_t* buffer, uint32_t length, cVkCollection& collection) {
  cVkArchive archive(std::span<const uint8_t>(buffer, length));
  collection.Serialize(archive);
  FreeBuffer(buffer);
  return archive.Failed() ? nullptr : &collection;
}

TEST_F(Discovery, RecordsNameTheServersOfADomain) {
  EXPECT_EQ(vk::ldap::DiscoverDirectoryUris("corp.test"),
            "ldap://dir.corp.test:" + std::to_string(directory->Port()) + "/");
  EXPECT_EQ(vk::ldap::DiscoverDirectoryUris("other.test"), "");
  EXPECT_EQ(vk::ldap::DiscoverDirectoryUris("127.0.0.1"), "");  // never asked for
  EXPECT_EQ(vk::ldap::ComputerDnsDomain(), "corp.test");

  // A domain by its name: its server comes from the records, whatever the port.
  ASSERT_EQ(LDAPSearchQuery(&log, u"corp.test", u"", 389, &buffer, &length), 0);
  cVkCollection found;
  ASSERT_NE(Read(buffer, length, found), nullptr);
  ASSERT_EQ(found.GetSize(), 1u);
  EXPECT_EQ(dynamic_cast<cVkLDAPData*>(found.GetAt(0))->accountName, u"Admins");
}

TEST_F(Discovery, WithoutAConfiguredDirectoryTheComputersDomainIsAsked) {
  ASSERT_EQ(CollectDomains(&log, &buffer, &length), 0);
  cVkCollection domains;
  ASSERT_NE(Read(buffer, length, domains), nullptr);
  ASSERT_EQ(domains.GetSize(), 1u);
  EXPECT_EQ(dynamic_cast<cVkW2KDomain*>(domains.GetAt(0))->name, u"corp.test");
}

}  // namespace

int main(int argc, char** argv) {
  // Before any thread: a mount namespace cannot be entered once the process shares its file-system state.
  EnterPrivateNamespaces();
  std::ofstream(std::getenv("LDAPCONF")) << "TIMEOUT 5\nNETWORK_TIMEOUT 5\n";
  ::testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  if (!folder.empty()) std::filesystem::remove_all(folder);
  return rc;
}
