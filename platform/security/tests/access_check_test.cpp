#include "platform/security/access_check.h"

#include <gtest/gtest.h>

#include "platform/core/error_codes.h"
#include "platform/security/security_descriptor.h"

namespace vk {
namespace {

const GenericMapping kMapping{1, 4, 2, 8};

std::vector<uint8_t> Descriptor(std::vector<Ace> entries, bool daclPresent = true) {
  SecurityDescriptor sd;
  sd.owner = sd.group = Sid::Administrators();
  sd.daclPresent = daclPresent;
  if (daclPresent) sd.dacl = Acl{std::move(entries)};
  return sd.ToSelfRelative();
}

AccessToken Token(uint32_t uid, std::vector<Sid> groups) {
  return AccessToken{u"someone", Sid::UnixUser(uid), std::move(groups)};
}

AccessResult Check(const std::vector<uint8_t>& sd, const AccessToken& token, uint32_t desired) {
  AccessResult result;
  EXPECT_EQ(CheckAccess(sd, token, desired, kMapping, &result), 0);
  return result;
}

// Three matching entries with disjoint rights: neither the first match nor
// the entry with the most rights gives 7, only their union does.
TEST(AccessCheck, GrantsTheUnionOfTheMatchingEntries) {
  auto sd = Descriptor({{ACCESS_ALLOWED_ACE_TYPE, 0, 1, Sid::UnixGroup(100)},
                        {ACCESS_ALLOWED_ACE_TYPE, 0, 2, Sid::UnixUser(1000)},
                        {ACCESS_ALLOWED_ACE_TYPE, 0, 4, Sid::UnixGroup(200)},
                        {ACCESS_ALLOWED_ACE_TYPE, 0, 8, Sid::UnixUser(2000)}});
  AccessResult r = Check(sd, Token(1000, {Sid::UnixGroup(100), Sid::UnixGroup(200)}), MAXIMUM_ALLOWED);
  EXPECT_TRUE(r.granted);
  EXPECT_EQ(r.grantedMask, 7u);
  AccessToken both = Token(1000, {Sid::UnixGroup(100)});
  r = Check(sd, both, MAXIMUM_ALLOWED);
  EXPECT_TRUE(r.granted);
  EXPECT_EQ(r.grantedMask, 3u);
  r = Check(sd, both, 2);
  EXPECT_TRUE(r.granted);
  EXPECT_EQ(r.grantedMask, 2u);
  r = Check(sd, both, 8);
  EXPECT_FALSE(r.granted);
  EXPECT_EQ(r.grantedMask, 0u);
  r = Check(sd, both, MAXIMUM_ALLOWED | 8);
  EXPECT_FALSE(r.granted);
  r = Check(sd, Token(3000, {Sid::UnixGroup(7)}), MAXIMUM_ALLOWED);
  EXPECT_FALSE(r.granted);
  r = Check(sd, both, 0);
  EXPECT_FALSE(r.granted);
}

TEST(AccessCheck, MapsGenericRights) {
  EXPECT_EQ(MapGenericMask(GENERIC_READ | GENERIC_EXECUTE, kMapping), 3u);
  EXPECT_EQ(MapGenericMask(GENERIC_ALL | 0x10, kMapping), 0x18u);
  auto sd = Descriptor({{ACCESS_ALLOWED_ACE_TYPE, 0, GENERIC_READ, Sid::UnixUser(1)}});
  AccessResult r = Check(sd, Token(1, {}), 1);
  EXPECT_TRUE(r.granted);
  r = Check(sd, Token(1, {}), GENERIC_READ);
  EXPECT_TRUE(r.granted);
  EXPECT_EQ(r.grantedMask, 1u);
  EXPECT_FALSE(Check(sd, Token(1, {}), GENERIC_WRITE).granted);
}

TEST(AccessCheck, DenyEntriesAndMissingListsAsThePlatformHasThem) {
  auto sd = Descriptor({{ACCESS_DENIED_ACE_TYPE, 0, 2, Sid::UnixGroup(5)},
                        {ACCESS_ALLOWED_ACE_TYPE, 0, 11, Sid::UnixUser(1)},
                        {ACCESS_ALLOWED_ACE_TYPE, INHERIT_ONLY_ACE, 4, Sid::UnixUser(1)}});
  AccessResult r = Check(sd, Token(1, {Sid::UnixGroup(5)}), MAXIMUM_ALLOWED);
  EXPECT_EQ(r.grantedMask, 9u);
  EXPECT_FALSE(Check(sd, Token(1, {Sid::UnixGroup(5)}), 2).granted);
  EXPECT_FALSE(Check(Descriptor({}), Token(1, {}), MAXIMUM_ALLOWED).granted);  // empty list: nobody
  r = Check(Descriptor({}, false), Token(1, {}), 2);                           // no list at all: no restriction
  EXPECT_TRUE(r.granted);
  EXPECT_EQ(r.grantedMask, 2u);
  AccessResult bad;
  EXPECT_EQ(CheckAccess({}, Token(1, {}), 1, kMapping, &bad), ERROR_INVALID_SECURITY_DESCR);
  EXPECT_FALSE(bad.granted);
}

}  // namespace
}  // namespace vk
