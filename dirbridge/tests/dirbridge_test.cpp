// DirBridge's exports against real slapd servers on 127.0.0.1: an Active
// Directory-like tree (the directory ldap.conf names), a plain OpenLDAP
// layout, and a small server for partial results and a silent server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>

#include "common/archive/archive.h"
#include "common/network/directory_records.h"
#include "common/network/w2k_records.h"
#include "dirbridge/dirbridge.h"
#include "dirbridge/tests/slapd_server.h"
#include "dirbridge/tests/test_support.h"
#include "log/orklog.h"
#include "platform/core/text.h"
#include "platform/core/worker_thread.h"

namespace {

using vk::testing::SlapdServer;

std::string Person(const std::string& dn, const std::string& name, const std::string& extra) {
  return "dn: " + dn + "\nobjectClass: user\ncn: " + name + "\nsn: " + name + "\nsAMAccountName: " + name + "\n" +
         (extra.empty() ? "" : extra + "\n") + "\n";
}

std::string AdTree() {
  std::string l =
      "dn: dc=corp,dc=test\nobjectClass: domainDNS\ndc: corp\n\n"
      "dn: cn=Users,dc=corp,dc=test\nobjectClass: container\ncn: Users\n\n"
      "dn: cn=Computers,dc=corp,dc=test\nobjectClass: container\ncn: Computers\n\n"
      "dn: cn=System,dc=corp,dc=test\nobjectClass: container\ncn: System\n\n"
      "dn: cn=Builtin,dc=corp,dc=test\nobjectClass: builtinDomain\ncn: Builtin\n\n"
      "dn: ou=Staff,dc=corp,dc=test\nobjectClass: organizationalUnit\nou: Staff\n\n"
      "dn: ou=Odd,dc=corp,dc=test\nobjectClass: organizationalUnit\nou: Odd\n\n"
      "dn: cn=Admins,dc=corp,dc=test\nobjectClass: group\ncn: Admins\nsAMAccountName: Admins\n\n";
  l += Person("cn=dave,dc=corp,dc=test", "dave", "");
  l += Person("cn=alice,cn=Users,dc=corp,dc=test", "alice",
              "homeDirectory: \\\\srv\\alice\ndescription: " + std::string(40000, 'x'));
  l += Person("cn=bob,cn=Users,dc=corp,dc=test", "bob", "");
  for (int i = 10; i < 22; ++i) {
    std::string n = "user" + std::to_string(i);
    l += Person("cn=" + n + ",cn=Users,dc=corp,dc=test", n, "homeDirectory: /home/" + n);
  }
  l += "dn: cn=PC1,cn=Computers,dc=corp,dc=test\nobjectClass: computer\ncn: PC1\nsn: PC1\nsAMAccountName: PC1$\n"
       "dNSHostName: pc1.corp.test\noperatingSystem: Debian\noperatingSystemVersion: 12\n"
       "operatingSystemServicePack: SP1\n\n"
       "dn: cn=PC2,cn=Computers,dc=corp,dc=test\nobjectClass: computer\ncn: PC2\nsn: PC2\nsAMAccountName: PC2$\n\n"
       "dn: cn=PC9,dc=corp,dc=test\nobjectClass: computer\ncn: PC9\nsn: PC9\nsAMAccountName: PC9$\n\n"
       "dn: cn=PC8,ou=Odd,dc=corp,dc=test\nobjectClass: computer\ncn: PC8\nsn: PC8\noperatingSystem: " +
       std::string(40000, 'y') + "\n\n";
  return l;
}

std::string PlainTree() {
  return "dn: dc=plain,dc=test\nobjectClass: dcObject\nobjectClass: organization\ndc: plain\no: plain\n\n"
         "dn: ou=People,dc=plain,dc=test\nobjectClass: organizationalUnit\nou: People\n\n"
         "dn: uid=erin,ou=People,dc=plain,dc=test\nobjectClass: inetOrgPerson\nobjectClass: posixAccount\n"
         "uid: erin\ncn: erin\nsn: erin\nuidNumber: 1000\ngidNumber: 1000\nhomeDirectory: /home/erin\n\n"
         "dn: uid=frank,dc=plain,dc=test\nobjectClass: inetOrgPerson\nuid: frank\ncn: frank\nsn: frank\n\n"
         "dn: cn=devs,dc=plain,dc=test\nobjectClass: groupOfNames\ncn: devs\n"
         "member: uid=erin,ou=People,dc=plain,dc=test\n\n"
         "dn: cn=box1,dc=plain,dc=test\nobjectClass: device\nobjectClass: ipHost\ncn: box1\nipHostNumber: 10.0.0.1\n\n";
}

std::string SmallTree() {
  std::string l = "dn: dc=small,dc=test\nobjectClass: domainDNS\ndc: small\n\n";
  for (const char* g : {"G1", "G2", "G3"})
    l += std::string("dn: cn=") + g + ",dc=small,dc=test\nobjectClass: group\ncn: " + g + "\n\n";
  l += Person("cn=gina,dc=small,dc=test", "gina", "");
  return l;
}

SlapdServer* adServer = nullptr;
vk::testing::TestCertificates* certificates = nullptr;

// The AD-like server is the one ldap.conf names; libldap reads it once.
class DirectoryEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    adServer = new SlapdServer("dc=corp,dc=test", AdTree(), SCHEMA_FILE);
    char pattern[] = "/tmp/vk-ca-XXXXXX";
    caFolder = mkdtemp(pattern);
    certificates = new vk::testing::TestCertificates(caFolder, "trusted");
    // Servers of the tests are trusted through this authority only.
    std::ofstream(std::getenv("LDAPCONF")) << "URI " << adServer->Uri() << "\nBASE dc=corp,dc=test\nTIMEOUT 2\n"
                                           << "NETWORK_TIMEOUT 2\nTLS_CACERT " << certificates->Authority() << "\n";
  }
  void TearDown() override {
    delete adServer;
    delete certificates;
    std::filesystem::remove_all(caFolder);
  }
  std::string caFolder;
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new DirectoryEnvironment);

// Results read in a test live until the test ends.
std::vector<std::unique_ptr<cVkCollection>> keptResults;

// Reads a result buffer (a collection's body) and frees it.
cVkCollection& ReadResult(uint8_t* buffer, uint32_t length) {
  auto collection = std::make_unique<cVkStringVariableArray>();
  cVkArchive archive(std::span<const uint8_t>(buffer, length));
  collection->Serialize(archive);
  EXPECT_FALSE(archive.Failed());
  EXPECT_EQ(archive.Remaining(), 0u);
  FreeBuffer(buffer);
  keptResults.push_back(std::move(collection));
  return *keptResults.back();
}

template <class T>
std::vector<T*> Elements(const cVkCollection& collection) {
  std::vector<T*> typed;
  for (cVkObject* element : collection.Elements()) typed.push_back(dynamic_cast<T*>(element));
  return typed;
}

std::string Composed(cOrkLog& log) {
  char16_t* all = nullptr;
  log.ComposeSingleMemoryMessage(&all, LOG_ALL);
  std::string text;
  for (const char16_t* c = all; c != nullptr && *c != 0; ++c) text += *c < 0x80 ? static_cast<char>(*c) : '?';
  log.ReleaseMemoryMessage(all);
  return text;
}

using vk::testing::Logged;

class DirBridge : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(adServer->Running()) << adServer->Diagnostics();
    log.SetMemLogMask(LOG_ALL);
  }
  void TearDown() override { keptResults.clear(); }
  cOrkLog log;
  uint8_t* buffer = nullptr;
  uint32_t length = 0;
};

TEST_F(DirBridge, DomainsAndComputersOfTheConfiguredDirectory) {
  ASSERT_EQ(CollectDomains(&log, &buffer, &length), 0);
  auto& domains = ReadResult(buffer, length);
  auto d = Elements<cVkW2KDomain>(domains);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0]->name, u"corp.test");
  EXPECT_EQ(d[0]->namingContext, u"dc=corp,dc=test");
  EXPECT_EQ(d[0]->trustParent, u"");

  ASSERT_EQ(CollectComputersInDomain(&log, u"LDAP://cn=Computers,dc=corp,dc=test", &buffer, &length), 0);
  auto c = Elements<cVkW2KComputer>(ReadResult(buffer, length));
  ASSERT_EQ(c.size(), 2u);
  cVkW2KComputer* pc1 = c[0]->commonName == u"PC1" ? c[0] : c[1];
  cVkW2KComputer* pc2 = c[0]->commonName == u"PC1" ? c[1] : c[0];
  EXPECT_EQ(pc1->dnsHostName, u"pc1.corp.test");
  EXPECT_EQ(pc1->operatingSystem, u"Debian");
  EXPECT_EQ(pc1->osVersion, u"12");
  EXPECT_EQ(pc1->servicePack, u"SP1");
  EXPECT_EQ(pc2->operatingSystem, u"");  // a missing attribute is an empty column

  // An empty container answers the six-byte empty collection.
  ASSERT_EQ(CollectComputersInDomain(&log, u"LDAP://ou=Staff,dc=corp,dc=test", &buffer, &length), 0);
  ASSERT_EQ(length, 6u);
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 6), (std::vector<uint8_t>{1, 0, 0, 0, 0, 0}));
  FreeBuffer(buffer);
  FreeBuffer(nullptr);
}

TEST_F(DirBridge, OverLongComputerValueDiscardsTheWholeAnswer) {
  buffer = reinterpret_cast<uint8_t*>(&length);  // must be reset to null
  int32_t rc = CollectComputersInDomain(&log, u"LDAP://corp.test", &buffer, &length);
  EXPECT_EQ(rc, 122);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_TRUE(Logged(log, u"An error has occurred while getting the column 'operationSystem'. Errorcode 122."));
}

TEST_F(DirBridge, UsersWithHomeDirectoriesInPages) {
  ASSERT_EQ(CollectUsersInDomain(&log, nullptr, nullptr, &buffer, &length), 0);
  auto users = Elements<cVkUserInfo>(ReadResult(buffer, length));
  ASSERT_EQ(users.size(), 13u);  // alice and twelve more; bob has no home
  bool alice = false;
  for (cVkUserInfo* u : users) {
    EXPECT_EQ(u->netbiosDomain, u"CORP");
    EXPECT_NE(u->accountName, u"bob");
    alice = alice || (u->accountName == u"alice" && u->homeDirectory == u"\\\\srv\\alice");
  }
  EXPECT_TRUE(alice);
  EXPECT_TRUE(Logged(log, u"Domain 'corp.test' found."));

  // An event that is not signalled stops after the first page of ten users:
  // dave, alice, bob and user10 to user16 in the order they were added.
  vk::ManualResetEvent event;
  ASSERT_EQ(CollectUsersInDomain(&log, u"corp.test", &event, &buffer, &length), 0);
  EXPECT_EQ(ReadResult(buffer, length).GetSize(), 8u);
  event.Set();
  ASSERT_EQ(CollectUsersInDomain(&log, u"corp.test", &event, &buffer, &length), 0);
  EXPECT_EQ(ReadResult(buffer, length).GetSize(), 13u);
}

TEST_F(DirBridge, SearchQueryListsEveryKindBelowTheBase) {
  ASSERT_EQ(LDAPSearchQuery(&log, u"127.0.0.1", u"", adServer->Port(), &buffer, &length), 0);
  auto found = Elements<cVkLDAPData>(ReadResult(buffer, length));
  std::map<std::u16string, cVkLDAPData*> byDn;
  for (cVkLDAPData* item : found) byDn[item->distinguishedName] = item;
  ASSERT_EQ(found.size(), 8u);
  EXPECT_EQ(byDn.count(u"cn=System,dc=corp,dc=test"), 0u);
  EXPECT_EQ(byDn.at(u"cn=Admins,dc=corp,dc=test")->kind, VK_LDAP_GROUP);
  EXPECT_EQ(byDn.at(u"cn=dave,dc=corp,dc=test")->kind, VK_LDAP_USER);
  EXPECT_EQ(byDn.at(u"cn=PC9,dc=corp,dc=test")->kind, VK_LDAP_COMPUTER);
  EXPECT_EQ(byDn.at(u"cn=PC9,dc=corp,dc=test")->accountName, u"PC9");  // without "$"
  EXPECT_EQ(byDn.at(u"ou=Staff,dc=corp,dc=test")->kind, VK_LDAP_ORGANIZATIONAL_UNIT);
  EXPECT_EQ(byDn.at(u"cn=Users,dc=corp,dc=test")->kind, VK_LDAP_CONTAINER);
  EXPECT_EQ(byDn.at(u"cn=Builtin,dc=corp,dc=test")->kind, VK_LDAP_BUILTIN_CONTAINER);
  EXPECT_EQ(byDn.at(u"cn=dave,dc=corp,dc=test")->netbiosDomain, u"CORP");
}

TEST_F(DirBridge, NamesPropertiesAndData) {
  char16_t* dn = nullptr;
  ASSERT_EQ(GetLDAPName(&log, nullptr, nullptr, u"alice", &dn), 0);
  EXPECT_EQ(std::u16string(dn), u"cn=alice,cn=Users,dc=corp,dc=test");
  FreeBuffer(dn);
  // Filter characters in the name are a value, not a filter.
  EXPECT_EQ(GetLDAPName(&log, nullptr, u"CORP", u"*", &dn), 1332);
  EXPECT_EQ(dn, nullptr);

  const char16_t* alice = u"LDAP://cn=alice,cn=Users,dc=corp,dc=test";
  ASSERT_EQ(GetObjectProperties(&log, alice, &buffer, &length), 0);
  auto keywords = Elements<cVkStringVariable>(ReadResult(buffer, length));
  ASSERT_FALSE(keywords.empty());
  EXPECT_EQ(keywords[0]->name, u"%AD:objectClass%");  // mandatory ones first
  bool home = false;
  for (cVkStringVariable* k : keywords) {
    if (k->name != u"%AD:homeDirectory%") continue;
    home = k->value.empty() &&
           k->description == u"This keyword represents the property 'homeDirectory' of a user in the Active Directory.";
  }
  EXPECT_TRUE(home);

  cVkStringVariableArray input;
  for (const char16_t* name : {u"%AD:homeDirectory%", u"%A", u"%AD:description%", u"%AD:nosuch%"})
    input.Add(new cVkStringVariable(name, u"old", u""));
  std::vector<uint8_t> bytes;
  cVkArchive out(&bytes);
  input.Serialize(out);
  int32_t rc = GetObjectData(&log, alice, bytes.data(), static_cast<uint32_t>(bytes.size()), &buffer, &length);
  EXPECT_EQ(rc, static_cast<int32_t>(0x8000500Du));  // the last property's answer
  auto filled = Elements<cVkStringVariable>(ReadResult(buffer, length));
  ASSERT_EQ(filled.size(), 4u);
  EXPECT_EQ(filled[0]->value, u"\\\\srv\\alice");
  EXPECT_EQ(filled[1]->value, u"-Property Not Found-");      // too short to name a property
  EXPECT_EQ(filled[2]->value, u"-Error getting property-");  // over-long
  EXPECT_EQ(filled[3]->value, u"-Property Not Found-");

  ASSERT_EQ(GetObjectData(&log, alice, nullptr, 0, &buffer, &length), 0);
  EXPECT_EQ(ReadResult(buffer, length).GetSize(), 0u);
  EXPECT_NE(GetObjectData(&log, u"LDAP://cn=nobody,dc=corp,dc=test", nullptr, 0, &buffer, &length), 0);
  EXPECT_TRUE(Logged(log, u"Error getting info from AD object 'LDAP://cn=nobody,dc=corp,dc=test'."));
}

TEST_F(DirBridge, PlainOpenLdapLayoutUsesStandardNames) {
  SlapdServer plain("dc=plain,dc=test", PlainTree(), "");
  ASSERT_TRUE(plain.Running()) << plain.Diagnostics();
  std::u16string host = u"127.0.0.1:" + vk::FromUtf8(std::to_string(plain.Port()));

  ASSERT_EQ(LDAPSearchQuery(&log, u"127.0.0.1", u"dc=plain,dc=test", plain.Port(), &buffer, &length), 0);
  std::map<std::u16string, cVkLDAPData*> byDn;
  for (cVkLDAPData* item : Elements<cVkLDAPData>(ReadResult(buffer, length))) byDn[item->distinguishedName] = item;
  EXPECT_EQ(byDn.at(u"cn=devs,dc=plain,dc=test")->kind, VK_LDAP_GROUP);
  EXPECT_EQ(byDn.at(u"uid=frank,dc=plain,dc=test")->accountName, u"frank");
  EXPECT_EQ(byDn.at(u"ou=People,dc=plain,dc=test")->kind, VK_LDAP_ORGANIZATIONAL_UNIT);
  EXPECT_EQ(byDn.at(u"cn=box1,dc=plain,dc=test")->kind, VK_LDAP_COMPUTER);

  ASSERT_EQ(CollectComputersInDomain(&log, (u"LDAP://" + host + u"/dc=plain,dc=test").c_str(), &buffer, &length), 0);
  auto computers = Elements<cVkW2KComputer>(ReadResult(buffer, length));
  ASSERT_EQ(computers.size(), 1u);
  EXPECT_EQ(computers[0]->commonName, u"box1");

  char16_t* dn = nullptr;
  ASSERT_EQ(GetLDAPName(&log, host.c_str(), nullptr, u"erin", &dn), 0);
  EXPECT_EQ(std::u16string(dn), u"uid=erin,ou=People,dc=plain,dc=test");
  FreeBuffer(dn);
}

TEST_F(DirBridge, PartialResultsAndAServerThatStopsAnswering) {
  SlapdServer small("dc=small,dc=test", SmallTree(), SCHEMA_FILE, "sizelimit 2");
  ASSERT_TRUE(small.Running()) << small.Diagnostics();
  // Three groups pass the server's size limit: that search fails, the rest stand.
  EXPECT_EQ(LDAPSearchQuery(&log, u"127.0.0.1", u"dc=small,dc=test", small.Port(), &buffer, &length), -1);
  auto found = Elements<cVkLDAPData>(ReadResult(buffer, length));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0]->accountName, u"gina");
  EXPECT_TRUE(Logged(log, u"An error has occurred while getting groups. Errorcode 4."));

  buffer = nullptr;  // ReadResult freed it
  ASSERT_TRUE(small.Freeze());
  log.Clear();
  // The server stops answering: whichever step waits on it first runs out of time.
  EXPECT_EQ(LDAPSearchQuery(&log, u"127.0.0.1", u"dc=small,dc=test", small.Port(), &buffer, &length), -1);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_TRUE(Logged(log, u"Errorcode 1460.")) << Composed(log);
}

}  // namespace

vk::testing::SlapdServer& vk::testing::DirectoryServer() { return *adServer; }
vk::testing::TestCertificates& vk::testing::DirectoryCertificates() { return *certificates; }
