#include <gtest/gtest.h>

#include "common/archive/object_buffer.h"
#include "common/archive/register_archive.h"
#include "common/archive/tests/test_bytes.h"
#include "common/network/directory_records.h"
#include "common/network/nt4_records.h"
#include "common/network/w2k_records.h"

using vktest::Ascii;
using vktest::Cat;
using vktest::Hex;

namespace {

class NetworkRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    VkRegisterArchiveClasses();
    VkRegisterClasses<cVkNT4Computer, cVkNT4Domain, cVkW2KComputer, cVkW2KDomain, cVkLDAPData, cVkUserInfo,
                      cVkStringVariable, cVkStringVariableArray>();
  }
};

std::vector<uint8_t> Bytes(const cVkObject& object) {
  std::vector<uint8_t> bytes;
  EXPECT_EQ(ObjectToBuffer(&object, bytes), 0);
  return bytes;
}

TEST_F(NetworkRecords, NT4ComputerBodyAndTexts) {
  cVkNT4Computer pc(u"PC1", 5, 1, 0x1003, u"c");
  EXPECT_EQ(Bytes(pc), Cat({Hex("FFFF 0100 0E00"), Ascii("cVkNT4Computer"),
                            Hex("01000000 FFFEFF 03 5000 4300 3100 05000000 01000000 03100000 FFFEFF 01 6300")}));
  EXPECT_EQ(pc.GetDescription(), u"PC1, Version: Windows XP (5.1), Type: Workstation");
  pc.type |= 0x8000;
  EXPECT_EQ(pc.GetTypeText(), u"Server");
  pc.type = 0x10;
  EXPECT_EQ(pc.GetTypeText(), u"Server");
  pc.type = 0;
  EXPECT_EQ(pc.GetTypeText(), u"");
  pc.versionMinor = 3;
  EXPECT_EQ(pc.GetVersionText(), u" (5.3)");
  EXPECT_EQ(pc.GetDescription(), u"PC1, Version:  (5.3)");
  pc.versionMajor = 4;
  pc.versionMinor = 0;
  EXPECT_EQ(pc.GetVersionText(), u"Windows NT (4.0)");
  pc.versionMinor = 2;
  pc.versionMajor = 5;
  EXPECT_EQ(pc.GetVersionText(), u"Windows 2003 (5.2)");
  pc.versionMajor = 6;
  EXPECT_EQ(pc.GetVersionText(), u"");
  EXPECT_EQ(pc.GetDescription(), u"PC1");
  EXPECT_EQ(pc.GetName(), u"PC1");
}

TEST_F(NetworkRecords, DescriptionsOfDomainsAndDirectoryComputers) {
  EXPECT_EQ(cVkNT4Domain(u"DOM", 0, 0, 0, u"\\\\PDC").GetDescription(), u"Domain: DOM, PDC: \\\\PDC");
  cVkW2KComputer pc(u"PC1", u"XP", u"", u"SP1", u"5.1");
  EXPECT_EQ(pc.GetDescription(), u"PC1, XP( 5.1 ), SP1");
  pc.operatingSystem.clear();
  EXPECT_EQ(pc.GetDescription(), u"PC1, SP1");
  pc.dnsHostName = u"pc1.example.com";
  pc.servicePack.clear();
  EXPECT_EQ(pc.GetDescription(), u"pc1.example.com");
  EXPECT_EQ(pc.GetName(), u"PC1");
  EXPECT_EQ(cVkW2KDomain(u"a.example.com", u"DC=a", u"example.com", 0).GetDescription(),
            u"Domain: a.example.com, Parent Domain: example.com");
  EXPECT_EQ(cVkW2KDomain(u"example.com", u"DC=example", u"", 0).GetDescription(), u"Domain: example.com");
}

TEST_F(NetworkRecords, EveryRecordRoundTripsAndClones) {
  std::vector<std::unique_ptr<cVkObject>> records;
  records.emplace_back(new cVkNT4Computer(u"PC1", 5, 1, 0x1003, u"comment"));
  records.emplace_back(new cVkNT4Domain(u"DOM", 4, 0, 0x80000000, u"\\\\PDC"));
  records.emplace_back(
      new cVkW2KComputer(u"PC2", u"Windows XP Professional", u"pc2.x", u"Service Pack 2", u"5.1 (2600)"));
  records.emplace_back(new cVkW2KDomain(u"x.example.com", u"DC=x,DC=example,DC=com", u"example.com", 1));
  records.emplace_back(new cVkLDAPData(u"CN=Bob,DC=x", u"bob", u"X", VK_LDAP_USER));
  records.emplace_back(new cVkUserInfo(u"bob", u"X", u"\\\\srv\\home\\bob", u""));
  records.emplace_back(new cVkStringVariable(u"%AD:mail%", u"bob@x", u"The e-mail address."));
  auto* array = new cVkStringVariableArray;
  array->Add(new cVkStringVariable(u"%AD:cn%", u"Bob", u"The name."));
  array->Add(new cVkStringVariable(u"%AD:sn%", u"", u""));
  records.emplace_back(array);
  for (const auto& record : records) {
    SCOPED_TRACE(record->GetRuntimeClass()->name);
    auto bytes = Bytes(*record);
    std::unique_ptr<cVkObject> back;
    ASSERT_EQ(ObjectFromBuffer(bytes.data(), bytes.size(), back), 0);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->GetRuntimeClass(), record->GetRuntimeClass());
    EXPECT_EQ(Bytes(*back), bytes);
    std::unique_ptr<cVkObject> clone(record->Clone());
    ASSERT_TRUE(clone);
    EXPECT_EQ(Bytes(*clone), bytes);
    std::unique_ptr<cVkObject> fresh(record->GetRuntimeClass()->factory());
    fresh->CopyFrom(*record);
    EXPECT_EQ(Bytes(*fresh), bytes);
    // Every cut of the record fails cleanly.
    for (size_t n = 1; n < bytes.size(); n += 3) {
      std::unique_ptr<cVkObject> cut;
      EXPECT_NE(ObjectFromBuffer(bytes.data(), n, cut), 0) << n;
    }
  }
}

TEST_F(NetworkRecords, OtherLayoutVersionsKeepTheDefaults) {
  auto bytes = Cat({Hex("FFFF 0100 0B00"), Ascii("cVkUserInfo"), Hex("02000000 FFFEFF 01 6100")});
  std::unique_ptr<cVkUserInfo> user;
  ASSERT_EQ(ObjectFromBufferAs(bytes.data(), bytes.size(), user), 0);
  EXPECT_EQ(user->accountName, u"");
}

TEST_F(NetworkRecords, RegistryBasesFollowTheClassTable) {
  EXPECT_TRUE(cVkNT4Computer().IsKindOf(&cVkObject::classInfo));
  EXPECT_FALSE(cVkStringVariable().IsKindOf(&cVkObject::classInfo));
  EXPECT_TRUE(cVkStringVariableArray().IsKindOf(&cVkCollection::classInfo));
  EXPECT_EQ(std::string(cVkStringVariableArray::classInfo.name), "cVkStringVariableArray");
}

}  // namespace
