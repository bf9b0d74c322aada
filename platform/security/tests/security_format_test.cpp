#include <gtest/gtest.h>

#include "platform/security/acl.h"
#include "platform/security/security_descriptor.h"
#include "platform/security/sid.h"

namespace vk {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kAdministrators = {1, 2, 0, 0, 0, 0, 0, 5, 0x20, 0, 0, 0, 0x20, 0x02, 0, 0};
const Bytes kUser1000 = {1, 2, 0, 0, 0, 0, 0, 22, 1, 0, 0, 0, 0xe8, 0x03, 0, 0};

TEST(SidFormat, GoldenBytesAndText) {
  EXPECT_EQ(Sid::Administrators().ToBytes(), kAdministrators);
  EXPECT_EQ(Sid::Administrators().Length(), 16u);
  EXPECT_EQ(Sid::Administrators().ToString(), u"S-1-5-32-544");
  EXPECT_EQ(Sid::UnixUser(1000).ToBytes(), kUser1000);
  EXPECT_EQ(Sid::UnixGroup(27).ToString(), u"S-1-22-2-27");
  EXPECT_EQ(Sid(0x010203040506ull, {}).ToBytes(), (Bytes{1, 0, 1, 2, 3, 4, 5, 6}));

  size_t used = 0;
  Bytes withTail = kUser1000;
  withTail.push_back(0xAA);
  auto read = Sid::FromBytes(withTail, &used);
  ASSERT_TRUE(read);
  EXPECT_EQ(used, 16u);
  EXPECT_EQ(read->UnixUid(), 1000u);
  EXPECT_FALSE(read->UnixGid());
  EXPECT_EQ(Sid::Parse(u"S-1-22-1-1000"), Sid::UnixUser(1000));
  EXPECT_EQ(Sid::Parse(u"S-1-5-32-544"), Sid::Administrators());
}

TEST(SidFormat, RefusesMalformedInput) {
  Bytes truncated(kUser1000.begin(), kUser1000.end() - 1);
  EXPECT_FALSE(Sid::FromBytes(truncated));
  Bytes badRevision = kUser1000;
  badRevision[0] = 2;
  EXPECT_FALSE(Sid::FromBytes(badRevision));
  Bytes tooMany = kUser1000;
  tooMany[1] = 16;
  tooMany.resize(8 + 64);
  EXPECT_FALSE(Sid::FromBytes(tooMany));
  for (auto text : {u"S-1-", u"S-2-5-32", u"S-1-5-x", u"S-1-5--1", u"X-1-5", u"S-1-5-32-",
                    u"S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15-16", u"S-1-5-4294967296"})
    EXPECT_FALSE(Sid::Parse(text)) << std::string(text, text + 3);
}

Acl TwoEntries() {
  Acl acl;
  acl.entries.push_back(Ace{ACCESS_ALLOWED_ACE_TYPE, 0, 1, Sid::UnixUser(1000)});
  acl.entries.push_back(Ace{ACCESS_ALLOWED_ACE_TYPE, 0, 11, Sid::Administrators()});
  return acl;
}

TEST(AclFormat, GoldenBytes) {
  Acl acl = TwoEntries();
  EXPECT_EQ(acl.Size(), 8u + (8 + 16) + (8 + 16));
  Bytes expected = {2, 0, 56, 0, 2, 0, 0, 0, 0, 0, 24, 0, 1, 0, 0, 0};
  expected.insert(expected.end(), kUser1000.begin(), kUser1000.end());
  Bytes second = {0, 0, 24, 0, 11, 0, 0, 0};
  expected.insert(expected.end(), second.begin(), second.end());
  expected.insert(expected.end(), kAdministrators.begin(), kAdministrators.end());
  Bytes bytes;
  acl.AppendTo(&bytes);
  EXPECT_EQ(bytes, expected);
  auto back = Acl::FromBytes(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->entries, acl.entries);

  Bytes shortAce = bytes;
  shortAce[10] = 4;  // entry size below its own header
  EXPECT_FALSE(Acl::FromBytes(shortAce));
  Bytes overlong = bytes;
  overlong[4] = 3;  // one entry more than the ACL holds
  EXPECT_FALSE(Acl::FromBytes(overlong));
  Bytes sizeBeyond = bytes;
  sizeBeyond[2] = 57;
  EXPECT_FALSE(Acl::FromBytes(sizeBeyond));
  Bytes unknownType = bytes;
  unknownType[8] = 5;
  EXPECT_FALSE(Acl::FromBytes(unknownType));
}

TEST(SecurityDescriptorFormat, SelfRelativeGoldenLayout) {
  SecurityDescriptor sd;
  sd.owner = sd.group = Sid::Administrators();
  sd.ownerDefaulted = sd.groupDefaulted = true;
  sd.daclPresent = true;
  sd.dacl = TwoEntries();
  Bytes bytes = sd.ToSelfRelative();
  ASSERT_EQ(bytes.size(), 20u + 56 + 16 + 16);
  Bytes header = {1, 0, 0x07, 0x80, 76, 0, 0, 0, 92, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0};
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 20), header);
  EXPECT_EQ(Bytes(bytes.begin() + 76, bytes.begin() + 92), kAdministrators);
  EXPECT_EQ(Bytes(bytes.begin() + 92, bytes.end()), kAdministrators);

  auto back = SecurityDescriptor::FromSelfRelative(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->owner, Sid::Administrators());
  EXPECT_TRUE(back->ownerDefaulted && back->groupDefaulted && back->daclPresent);
  EXPECT_EQ(back->dacl->entries, sd.dacl->entries);
  EXPECT_EQ(back->ToSelfRelative(), bytes);
}

TEST(SecurityDescriptorFormat, RefusesBadOffsets) {
  SecurityDescriptor sd;
  sd.owner = Sid::Administrators();
  sd.daclPresent = true;
  sd.dacl = TwoEntries();
  Bytes good = sd.ToSelfRelative();
  EXPECT_FALSE(SecurityDescriptor::FromSelfRelative(Bytes(good.begin(), good.begin() + 19)));
  Bytes ownerOutside = good;
  ownerOutside[4] = 0xFF;
  EXPECT_FALSE(SecurityDescriptor::FromSelfRelative(ownerOutside));
  Bytes ownerInHeader = good;
  ownerInHeader[4] = 4;
  EXPECT_FALSE(SecurityDescriptor::FromSelfRelative(ownerInHeader));
  Bytes notSelfRelative = good;
  notSelfRelative[3] = 0;
  EXPECT_FALSE(SecurityDescriptor::FromSelfRelative(notSelfRelative));
  Bytes truncatedAcl(good.begin(), good.begin() + 40);
  truncatedAcl[4] = 0;
  EXPECT_FALSE(SecurityDescriptor::FromSelfRelative(truncatedAcl));
}

}  // namespace
}  // namespace vk
