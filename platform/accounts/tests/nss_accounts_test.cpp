// Runs against the fake passwd and group files of tests/data through nss_wrapper.
#include <gtest/gtest.h>

#include "platform/accounts/account_lookup.h"
#include "platform/accounts/computer_name.h"
#include "platform/accounts/nss_accounts.h"
#include "platform/core/error_codes.h"

namespace vk {
namespace {

TEST(NssAccounts, UsersGroupsAndAdministrators) {
  auto alice = FindUserByName(u"alice");
  ASSERT_TRUE(alice);
  EXPECT_EQ(alice->uid, 1000u);
  EXPECT_FALSE(FindUserByName(u"nobody-here"));
  EXPECT_FALSE(FindUserByName(u""));
  EXPECT_EQ(FindUserByUid(1001)->name, u"bob");
  EXPECT_EQ(FindGroupByGid(2001)->members, (std::vector<std::u16string>{u"bob", u"carol"}));

  auto bob = FindUserByName(u"bob");
  std::vector<uint32_t> bobGroups = GroupsOfUser(*bob);
  std::sort(bobGroups.begin(), bobGroups.end());
  EXPECT_EQ(bobGroups, (std::vector<uint32_t>{1001, 2000, 2001}));

  EXPECT_TRUE(IsAdministrator(*alice, GroupsOfUser(*alice)));  // member of sudo
  EXPECT_TRUE(IsAdministrator(*FindUserByName(u"root"), {0}));
  EXPECT_FALSE(IsAdministrator(*bob, GroupsOfUser(*bob)));
}

TEST(NssAccounts, ComputerNameComesFromTheHostName) {
  EXPECT_EQ(LocalComputerName(), u"TESTPC");  // NSS_WRAPPER_HOSTNAME=testpc.example.org
  EXPECT_TRUE(IsLocalComputer(u"\\\\testpc"));
  EXPECT_TRUE(IsLocalComputer(u""));
  EXPECT_FALSE(IsLocalComputer(u"\\\\OTHERPC"));
}

TEST(AccountLookup, NamesToSids) {
  Sid sid;
  std::u16string domain;
  uint32_t use = 0;
  ASSERT_EQ(LookupAccountByName(u"", u"bob", &sid, &domain, &use), 0);
  EXPECT_EQ(sid, Sid::UnixUser(1001));
  EXPECT_EQ(domain, u"TESTPC");
  EXPECT_EQ(use, SidTypeUser);
  ASSERT_EQ(LookupAccountByName(u"", u"testpc\\operators", &sid, &domain, &use), 0);
  EXPECT_EQ(sid, Sid::UnixGroup(2000));
  EXPECT_EQ(use, SidTypeGroup);
  for (auto name : {u"Administrators", u"builtin\\administrators"}) {
    ASSERT_EQ(LookupAccountByName(u"", name, &sid, &domain, &use), 0);
    EXPECT_EQ(sid, Sid::Administrators());
    EXPECT_EQ(domain, u"BUILTIN");
    EXPECT_EQ(use, SidTypeAlias);
  }
  ASSERT_EQ(LookupAccountByName(u"\\\\TESTPC", u"CORP\\dave", &sid, &domain, &use), 0);
  EXPECT_EQ(sid, Sid::UnixUser(1500));
  EXPECT_EQ(domain, u"CORP");
  EXPECT_EQ(LookupAccountByName(u"", u"ghost", &sid, &domain, &use), ERROR_NONE_MAPPED);
  EXPECT_EQ(LookupAccountByName(u"", u"", &sid, &domain, &use), ERROR_NONE_MAPPED);
  EXPECT_EQ(LookupAccountByName(u"", u"BUILTIN\\bob", &sid, &domain, &use), ERROR_NONE_MAPPED);
  EXPECT_EQ(LookupAccountByName(u"", u"OTHER\\bob", &sid, &domain, &use), ERROR_NONE_MAPPED);
  EXPECT_EQ(LookupAccountByName(u"\\\\FARPC", u"bob", &sid, &domain, &use), RPC_S_SERVER_UNAVAILABLE);
}

TEST(AccountLookup, SidsToNames) {
  std::u16string domain, name;
  uint32_t use = 0;
  ASSERT_EQ(LookupAccountBySid(u"", Sid::Administrators(), &domain, &name, &use), 0);
  EXPECT_EQ(name, u"Administrators");
  EXPECT_EQ(domain, u"BUILTIN");
  ASSERT_EQ(LookupAccountBySid(u"", Sid::UnixUser(1002), &domain, &name, &use), 0);
  EXPECT_EQ(name, u"carol");
  EXPECT_EQ(domain, u"TESTPC");
  ASSERT_EQ(LookupAccountBySid(u"", Sid::UnixGroup(1500), &domain, &name, &use), 0);
  EXPECT_EQ(name, u"staff");
  EXPECT_EQ(domain, u"CORP");
  EXPECT_EQ(use, SidTypeGroup);
  EXPECT_EQ(LookupAccountBySid(u"", Sid::UnixUser(4242), &domain, &name, &use), ERROR_NONE_MAPPED);
  EXPECT_EQ(LookupAccountBySid(u"", Sid(5, {21, 1, 2, 3, 500}), &domain, &name, &use), ERROR_NONE_MAPPED);
}

TEST(AccountLookup, TokensCarryGroupsAndTheAdministratorsAlias) {
  AccessToken token;
  ASSERT_EQ(BuildTokenForUser(u"alice", &token), 0);
  EXPECT_EQ(token.user, Sid::UnixUser(1000));
  EXPECT_TRUE(token.Holds(Sid::UnixGroup(27)));
  EXPECT_TRUE(token.Holds(Sid::Administrators()));
  ASSERT_EQ(BuildTokenForUid(1001, &token), 0);
  EXPECT_EQ(token.userName, u"bob");
  EXPECT_TRUE(token.Holds(Sid::UnixGroup(2000)));
  EXPECT_FALSE(token.Holds(Sid::Administrators()));
  EXPECT_EQ(BuildTokenForUser(u"eve", &token), ERROR_NONE_MAPPED);
}

}  // namespace
}  // namespace vk
