// How DirBridge binds, against a real MIT KDC and slapd servers of the
// test's own on 127.0.0.1: by SASL GSSAPI (over StartTLS) when the user
// holds a Kerberos ticket, anonymously without one, and simply with the
// credentials the console set when a directory refuses anonymous access.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <chrono>
#include <span>
#include <thread>

#include "common/archive/archive.h"
#include "common/archive/collection.h"
#include "common/network/w2k_records.h"
#include "dirbridge/dirbridge.h"
#include "dirbridge/tests/slapd_server.h"
#include "dirbridge/tests/test_ca.h"
#include "dirbridge/tests/test_support.h"
#include "platform/core/text.h"
#include "platform/ldap/kerberos_ticket.h"
#include "platform/ldap/ldap_connection.h"
#include "platform/testing/kdc_server.h"

namespace {

using vk::testing::KdcServer;
using vk::testing::Logged;
using vk::testing::SlapdServer;

constexpr char kRealm[] = "VK.TEST";

std::string Computer(const std::string& dn, const std::string& name) {
  return "dn: " + dn + "\nobjectClass: computer\ncn: " + name + "\nsn: " + name + "\nsAMAccountName: " + name + "$\n\n";
}

// Its hidden computer is readable only by bound users.
std::string KerberosTree() {
  return "dn: dc=krb,dc=test\nobjectClass: domainDNS\ndc: krb\n\n"
         "dn: cn=Users,dc=krb,dc=test\nobjectClass: container\ncn: Users\n\n"
         "dn: cn=alice,cn=Users,dc=krb,dc=test\nobjectClass: user\ncn: alice\nsn: alice\nsAMAccountName: alice\n\n"
         "dn: ou=Hidden,dc=krb,dc=test\nobjectClass: organizationalUnit\nou: Hidden\n\n" +
         Computer("cn=OPEN1,dc=krb,dc=test", "OPEN1") + Computer("cn=SECRET1,ou=Hidden,dc=krb,dc=test", "SECRET1");
}

std::string KerberosConfig(const vk::testing::TestCertificates& certificates) {
  return certificates.SlapdLines() + "security tls=1\nsasl-realm " + kRealm +
         "\nsasl-host 127.0.0.1\n"
         "authz-regexp \"uid=([^,@]*)(@[^,]*)?,(cn=[^,]*,)?cn=gssapi,cn=auth\" \"cn=$1,cn=Users,dc=krb,dc=test\"\n"
         "access to dn.subtree=\"ou=Hidden,dc=krb,dc=test\" by users read by * none\n"
         "access to * by * read\n";
}

// A directory that answers nobody who has not bound with a password.
std::string StrictTree() {
  return "dn: dc=strict,dc=test\nobjectClass: domainDNS\ndc: strict\n\n"
         "dn: cn=carol,dc=strict,dc=test\nobjectClass: user\ncn: carol\nsn: carol\nsAMAccountName: carol\n"
         "userPassword: carol-secret\n\n" +
         Computer("cn=GUARDED1,dc=strict,dc=test", "GUARDED1");
}

// A directory whose whole tree is hidden from anonymous users: they are
// told it does not exist.
std::string ShyTree() {
  return "dn: dc=shy,dc=test\nobjectClass: domainDNS\ndc: shy\n\n"
         "dn: cn=dan,dc=shy,dc=test\nobjectClass: user\ncn: dan\nsn: dan\nsAMAccountName: dan\n"
         "userPassword: dan-secret\n\n" +
         Computer("cn=SHY1,dc=shy,dc=test", "SHY1");
}

std::vector<std::u16string> ComputerNames(uint8_t* buffer, uint32_t length) {
  cVkCollection computers;
  cVkArchive archive(std::span<const uint8_t>(buffer, length));
  computers.Serialize(archive);
  std::vector<std::u16string> names;
  for (size_t i = 0; i < computers.GetSize(); ++i)
    names.push_back(static_cast<cVkW2KComputer*>(computers.GetAt(i))->commonName);
  std::sort(names.begin(), names.end());
  return names;
}

class DirectoryBinds : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    kdc = new KdcServer(kRealm);
    if (!kdc->Running()) return;
    const std::string folder = kdc->Folder();
    serviceKeytab = folder + "/ldap.keytab";
    ticketCache = "FILE:" + folder + "/alice.ccache";
    noCache = "FILE:" + folder + "/nobody.ccache";
    prepared = kdc->AddPrincipal("ldap/127.0.0.1", serviceKeytab) &&
               kdc->AddPrincipal("alice", folder + "/alice.keytab") &&
               kdc->ObtainTicket("alice", folder + "/alice.keytab", ticketCache);
    // The test's own GSSAPI talks to this realm only.
    setenv("KRB5_CONFIG", kdc->ConfigFile().c_str(), 1);
    certificates = new vk::testing::TestCertificates(folder, "krb");
    kerberized = new SlapdServer("dc=krb,dc=test", KerberosTree(), SCHEMA_FILE, KerberosConfig(*certificates), false,
                                 {{"KRB5_KTNAME", serviceKeytab}, {"KRB5_CONFIG", kdc->ConfigFile()}});
    strict = new SlapdServer("dc=strict,dc=test", StrictTree(), SCHEMA_FILE, "disallow bind_anon\n");
    shy = new SlapdServer("dc=shy,dc=test", ShyTree(), SCHEMA_FILE,
                          "access to dn.subtree=\"dc=shy,dc=test\" by users read by anonymous auth\n"
                          "access to * by * read\n");
    // The service principal is named after the host as written in the URI.
    std::ofstream(std::getenv("LDAPCONF")) << "URI " << kerberized->Uri() << "\nBASE dc=krb,dc=test\nTLS_CACERT "
                                           << certificates->Authority() << "\nSASL_NOCANON on\nTIMEOUT 5\n";
  }
  static void TearDownTestSuite() {
    delete kerberized;
    delete strict;
    delete shy;
    delete certificates;
    delete kdc;
  }
  void SetUp() override {
    ASSERT_TRUE(kdc->Running() && prepared) << kdc->Diagnostics();
    ASSERT_TRUE(certificates->Made());
    ASSERT_TRUE(kerberized->Running()) << kerberized->Diagnostics();
    ASSERT_TRUE(strict->Running()) << strict->Diagnostics();
    ASSERT_TRUE(shy->Running()) << shy->Diagnostics();
    log.SetMemLogMask(LOG_ALL);
    UseCache(noCache);
  }
  void TearDown() override {
    SetDirectoryCredentials(nullptr, nullptr);
    FreeBuffer(buffer);
  }
  static void UseCache(const std::string& cache) { setenv("KRB5CCNAME", cache.c_str(), 1); }
  int32_t CollectComputers(const std::u16string& path) {
    FreeBuffer(buffer);
    buffer = nullptr;
    return CollectComputersInDomain(&log, path.c_str(), &buffer, &length);
  }
  std::u16string StrictPath() const {
    return u"LDAP://127.0.0.1:" + vk::FromUtf8(std::to_string(strict->Port())) + u"/dc=strict,dc=test";
  }
  std::string LogUtf8() { return vk::ToUtf8(vk::testing::LogText(log)); }

  static inline KdcServer* kdc = nullptr;
  static inline vk::testing::TestCertificates* certificates = nullptr;
  static inline SlapdServer* kerberized = nullptr;
  static inline SlapdServer* strict = nullptr;
  static inline SlapdServer* shy = nullptr;
  static inline bool prepared = false;
  static inline std::string serviceKeytab, ticketCache, noCache;
  cOrkLog log;
  uint8_t* buffer = nullptr;
  uint32_t length = 0;
};

TEST_F(DirectoryBinds, TicketHolderBindsByKerberosAndSeesWhatUsersMay) {
  UseCache(ticketCache);
  ASSERT_TRUE(vk::ldap::HoldsKerberosTicket());

  vk::ldap::Connection session;
  ASSERT_EQ(session.Open(kerberized->Uri()), 0);
  ASSERT_EQ(session.SecureSession(), 0);
  ASSERT_EQ(session.BindGssapi(), 0) << session.ErrorText(-2);
  std::string identity;
  ASSERT_EQ(session.WhoAmI(identity), 0);
  EXPECT_EQ(identity, "dn:cn=alice,cn=users,dc=krb,dc=test");

  // The exports bind the same way: the hidden computer is there.
  ASSERT_EQ(CollectComputers(u"LDAP://dc=krb,dc=test"), 0) << LogUtf8();
  EXPECT_EQ(ComputerNames(buffer, length), (std::vector<std::u16string>{u"OPEN1", u"SECRET1"}));
}

TEST_F(DirectoryBinds, WithoutTicketTheBindIsAnonymous) {
  EXPECT_FALSE(vk::ldap::HoldsKerberosTicket());
  vk::ldap::Connection session;
  ASSERT_EQ(session.Open(kerberized->Uri()), 0);
  ASSERT_EQ(session.SecureSession(), 0);
  // Fails on this side, before anything reaches the server.
  EXPECT_EQ(session.BindGssapi(), -2);
  ASSERT_EQ(session.Bind("", ""), 0);
  std::string identity = "unset";
  ASSERT_EQ(session.WhoAmI(identity), 0);
  EXPECT_EQ(identity, "");

  ASSERT_EQ(CollectComputers(u"LDAP://dc=krb,dc=test"), 0) << LogUtf8();
  EXPECT_EQ(ComputerNames(buffer, length), (std::vector<std::u16string>{u"OPEN1"}));
}

// A ticket that has run out is no ticket: the bind does not try Kerberos
// with it (the server would refuse it with an error that says nothing of
// the cause) and goes on anonymously, as without a ticket.
TEST_F(DirectoryBinds, AnExpiredTicketIsTreatedAsNoTicket) {
  const std::string expiredCache = "FILE:" + kdc->Folder() + "/expired.ccache";
  ASSERT_TRUE(kdc->ObtainTicket("alice", kdc->Folder() + "/alice.keytab", expiredCache, "1s")) << kdc->Diagnostics();
  UseCache(expiredCache);
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  EXPECT_FALSE(vk::ldap::HoldsKerberosTicket());

  ASSERT_EQ(CollectComputers(u"LDAP://dc=krb,dc=test"), 0) << LogUtf8();
  EXPECT_EQ(ComputerNames(buffer, length), (std::vector<std::u16string>{u"OPEN1"}));
}

TEST_F(DirectoryBinds, DirectoryRefusingAnonymousTakesTheSetCredentials) {
  EXPECT_EQ(CollectComputers(StrictPath()), 48) << LogUtf8();  // inappropriate authentication
  EXPECT_EQ(buffer, nullptr);
  EXPECT_TRUE(Logged(log, u"Errorcode 48.")) << LogUtf8();

  ASSERT_EQ(SetDirectoryCredentials(u"cn=carol,dc=strict,dc=test", u"carol-secret"), 0);
  ASSERT_EQ(CollectComputers(StrictPath()), 0) << LogUtf8();
  EXPECT_EQ(ComputerNames(buffer, length), (std::vector<std::u16string>{u"GUARDED1"}));
  // A ticket this directory cannot take does not stand in the way.
  UseCache(ticketCache);
  ASSERT_EQ(CollectComputers(StrictPath()), 0) << LogUtf8();
  EXPECT_EQ(ComputerNames(buffer, length), (std::vector<std::u16string>{u"GUARDED1"}));
}

TEST_F(DirectoryBinds, WrongPasswordIsReportedAndNeverLogged) {
  ASSERT_EQ(SetDirectoryCredentials(u"cn=carol,dc=strict,dc=test", u"not-carols-pass"), 0);
  EXPECT_EQ(CollectComputers(StrictPath()), 49) << LogUtf8();  // invalid credentials
  EXPECT_EQ(buffer, nullptr);
  EXPECT_TRUE(Logged(log, u"Errorcode 49.")) << LogUtf8();
  EXPECT_FALSE(Logged(log, u"not-carols-pass"));

  // Cleared credentials go back to anonymous binds, which this directory refuses.
  ASSERT_EQ(SetDirectoryCredentials(nullptr, nullptr), 0);
  EXPECT_EQ(CollectComputers(StrictPath()), 48);
}

TEST_F(DirectoryBinds, DomainHiddenFromAnonymousUsersIsARefusalNotAMissingObject) {
  const std::u16string shyPath = u"LDAP://127.0.0.1:" + vk::FromUtf8(std::to_string(shy->Port())) + u"/dc=shy,dc=test";
  EXPECT_EQ(CollectComputers(shyPath), 50) << LogUtf8();  // insufficient access
  // Below a naming context a hidden object stays missing.
  EXPECT_EQ(CollectComputers(u"LDAP://ou=Hidden,dc=krb,dc=test"), 32) << LogUtf8();

  ASSERT_EQ(SetDirectoryCredentials(u"cn=dan,dc=shy,dc=test", u"dan-secret"), 0);
  ASSERT_EQ(CollectComputers(shyPath), 0) << LogUtf8();
  EXPECT_EQ(ComputerNames(buffer, length), (std::vector<std::u16string>{u"SHY1"}));
}

}  // namespace
