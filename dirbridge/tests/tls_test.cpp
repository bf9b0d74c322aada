// Directory sessions protected by TLS: StartTLS on ldap:// whenever the
// server offers it, ldaps://, and certificates checked against the
// authority of ldap.conf (TLS_CACERT), against slapd servers that insist on
// TLS for every operation.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/network/directory_records.h"
#include "dirbridge/dirbridge.h"
#include "dirbridge/tests/test_support.h"
#include "platform/core/text.h"
#include "platform/ldap/ldap_connection.h"

namespace {

using vk::testing::Logged;
using vk::testing::SlapdServer;

std::string TlsTree() {
  return "dn: dc=tls,dc=test\nobjectClass: domainDNS\ndc: tls\n\n"
         "dn: cn=Secret,dc=tls,dc=test\nobjectClass: group\ncn: Secret\nsAMAccountName: Secret\n\n";
}

class DirectoryTls : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/vk-tls-XXXXXX";
    folder = mkdtemp(pattern);
    untrusted = new vk::testing::TestCertificates(folder, "untrusted");
    // "security tls=1": nothing is answered over a session without TLS.
    secured = new SlapdServer("dc=tls,dc=test", TlsTree(), SCHEMA_FILE,
                              vk::testing::DirectoryCertificates().SlapdLines() + "security tls=1\n", true);
    stranger = new SlapdServer("dc=tls,dc=test", TlsTree(), SCHEMA_FILE, untrusted->SlapdLines() + "security tls=1\n");
  }
  static void TearDownTestSuite() {
    delete secured;
    delete stranger;
    delete untrusted;
    std::filesystem::remove_all(folder);
  }
  void SetUp() override {
    ASSERT_TRUE(vk::testing::DirectoryCertificates().Made() && untrusted->Made());
    ASSERT_TRUE(secured->Running()) << secured->Diagnostics();
    ASSERT_TRUE(stranger->Running()) << stranger->Diagnostics();
    log.SetMemLogMask(LOG_ALL);
  }

  static inline std::string folder;
  static inline vk::testing::TestCertificates* untrusted = nullptr;
  static inline SlapdServer* secured = nullptr;
  static inline SlapdServer* stranger = nullptr;
  cOrkLog log;
  uint8_t* buffer = nullptr;
  uint32_t length = 0;
};

TEST_F(DirectoryTls, StartTlsWhenTheServerOffersIt) {
  ASSERT_EQ(LDAPSearchQuery(&log, u"127.0.0.1", u"dc=tls,dc=test", secured->Port(), &buffer, &length), 0)
      << vk::ToUtf8(vk::testing::LogText(log));
  ASSERT_NE(buffer, nullptr);
  FreeBuffer(buffer);

  // The same server without TLS refuses to answer: the session above was protected.
  vk::ldap::Connection plain;
  ASSERT_EQ(plain.Open(secured->Uri()), 0);
  std::vector<vk::ldap::Entry> entries;
  EXPECT_EQ(plain.Search({"dc=tls,dc=test", vk::ldap::Scope::OneLevel, "(objectClass=*)", {}}, entries), 13);
}

TEST_F(DirectoryTls, CertificateOfAnUnknownAuthorityEndsTheSession) {
  buffer = reinterpret_cast<uint8_t*>(&length);
  EXPECT_EQ(LDAPSearchQuery(&log, u"127.0.0.1", u"dc=tls,dc=test", stranger->Port(), &buffer, &length), -1);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_TRUE(Logged(log, u"LDAP error binding to domain: 127.0.0.1.")) << vk::ToUtf8(vk::testing::LogText(log));
  EXPECT_TRUE(Logged(log, u"An error has occurred while initializing the LDAP provider."));
}

TEST_F(DirectoryTls, LdapsSessions) {
  vk::ldap::Connection session;
  ASSERT_EQ(session.Open(secured->LdapsUri()), 0);
  ASSERT_EQ(session.SecureSession(), 0);
  ASSERT_EQ(session.Bind("", ""), 0);
  std::vector<vk::ldap::Entry> entries;
  ASSERT_EQ(session.Search({"dc=tls,dc=test", vk::ldap::Scope::OneLevel, "(objectClass=group)", {"cn"}}, entries), 0);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].First("cn"), "Secret");
}

}  // namespace
