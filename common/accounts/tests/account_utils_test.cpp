// Runs with nss_wrapper: the accounts of platform/accounts/tests/data on a
// computer named TESTPC.
#include "common/accounts/account_utils.h"

#include <gtest/gtest.h>

#include "common/registry/tests/log_lines.h"
#include "platform/accounts/account_lookup.h"
#include "platform/core/error_codes.h"

namespace {

TEST(SplitAccountName, TheThreeForms) {
  std::u16string domain = u"x", user;
  EXPECT_TRUE(SplitAccountName(u"CORP\\bob", &domain, &user));
  EXPECT_EQ(domain, u"CORP");
  EXPECT_EQ(user, u"bob");
  EXPECT_TRUE(SplitAccountName(u"\\\\PC7\\admin", &domain, &user));
  EXPECT_EQ(domain, u"\\\\PC7");
  EXPECT_EQ(user, u"admin");
  EXPECT_TRUE(SplitAccountName(u"CORP/bob\\x", &domain, &user));
  EXPECT_EQ(domain, u"CORP");
  EXPECT_EQ(user, u"bob\\x");
  EXPECT_FALSE(SplitAccountName(u"bob", &domain, &user));
  EXPECT_EQ(domain, u"");
  EXPECT_EQ(user, u"bob");
  EXPECT_FALSE(SplitAccountName(u"\\\\PC7", &domain, &user));
  EXPECT_EQ(domain, u"");
  EXPECT_EQ(user, u"\\\\PC7");
}

TEST(ServerNames, MakeServerNameAndGetLookupServer) {
  EXPECT_EQ(MakeServerName(u""), u"");
  EXPECT_EQ(MakeServerName(u"PC1"), u"\\\\PC1");
  EXPECT_EQ(MakeServerName(u"\\PC1"), u"\\\\PC1");
  EXPECT_EQ(MakeServerName(u"\\\\PC1"), u"\\\\PC1");
  EXPECT_EQ(MakeServerName(u"\\\\"), u"\\\\\\\\");
  EXPECT_EQ(MakeServerName(u"\\"), u"\\\\\\");

  TestLog log;
  std::optional<std::u16string> server = u"stale";
  EXPECT_EQ(GetLookupServer(log, u"builtin", &server), 0);
  EXPECT_FALSE(server);
  EXPECT_EQ(GetLookupServer(log, u"", &server), 0);
  EXPECT_FALSE(server);
  EXPECT_EQ(GetLookupServer(log, u"\\\\PC7", &server), 0);
  EXPECT_EQ(server, u"\\\\PC7");
  EXPECT_TRUE(LoggedLines(log).empty());
  // No controller is known for a domain: its name is used as the server's.
  EXPECT_EQ(GetLookupServer(log, u"CORP", &server), 0);
  EXPECT_EQ(server, u"\\\\CORP");
  auto lines = LoggedLines(log);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, u"Error retrieving primary domain controller for domain 'CORP'. Errorcode 2453.");
  EXPECT_EQ(lines[1].text, u"Error looking up primary domain controller for domain 'CORP'. Errorcode 2453");
}

TEST(AccountUtils, AdministratorsAliasAndComputer) {
  TestLog log;
  vk::Sid sid;
  ASSERT_EQ(GetAdministratorsSid(log, &sid), 0);
  EXPECT_EQ(sid.ToString(), u"S-1-5-32-544");
  std::u16string name;
  ASSERT_EQ(GetAdministratorsGroupName(log, nullptr, &name), 0);
  EXPECT_EQ(name, u"Administrators");
  std::u16string computer, group;
  ASSERT_EQ(GetComputerInfo(log, nullptr, &computer, &group), 0);
  EXPECT_EQ(computer, u"TESTPC");
  EXPECT_EQ(group, u"WORKGROUP");
  EXPECT_TRUE(LoggedLines(log).empty());

  std::u16string far = u"\\\\FARPC";
  EXPECT_EQ(GetComputerInfo(log, &far, &computer, &group), ERROR_BAD_NETPATH);
  EXPECT_EQ(GetAdministratorsGroupName(log, &far, &name), RPC_S_SERVER_UNAVAILABLE);
  auto lines = LoggedLines(log);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, u"Error getting computer information. Errorcode 53.");
  EXPECT_TRUE(lines[1].text.starts_with(u"Error looking up account name using a SID. Errorcode 1722."));
  EXPECT_EQ(lines[2].text,
            u"An error has occurred while retrieving the adminstrators group name. Could not lookup the SID. "
            u"Errorcode 1722.");

  vk::OsVersionInfo info;
  info.majorVersion = 99;
  ASSERT_EQ(GetOsVersionInfo(log, &info), 0);
  EXPECT_EQ(info.osVersionInfoSize, 276u);
  EXPECT_NE(info.majorVersion, 99u);
}

TEST(AccountUtils, LookupNameBySidMarksLocalAccounts) {
  TestLog log;
  std::u16string domain, name;
  uint32_t use = 0;
  ASSERT_EQ(LookupNameBySid(log, vk::Sid::UnixUser(1000), nullptr, &domain, &name, &use), 0);
  EXPECT_EQ(domain, u"\\\\TESTPC");
  EXPECT_EQ(name, u"alice");
  EXPECT_EQ(use, vk::SidTypeUser);
  ASSERT_EQ(LookupNameBySid(log, vk::Sid::UnixUser(1500), nullptr, &domain, &name, &use), 0);
  EXPECT_EQ(domain, u"CORP");
  EXPECT_EQ(name, u"dave");
  ASSERT_EQ(LookupNameBySid(log, vk::Sid::Administrators(), nullptr, &domain, &name, &use), 0);
  EXPECT_EQ(domain, u"BUILTIN");
  EXPECT_TRUE(LoggedLines(log).empty());
  EXPECT_EQ(LookupNameBySid(log, vk::Sid::UnixUser(77), nullptr, &domain, &name, &use), ERROR_NONE_MAPPED);
  EXPECT_TRUE(Logged(log, u"Error looking up account name using a SID. Errorcode 1332."));
}

TEST(AccountUtils, LookupSidByNameFallsBackToTheDomainsServer) {
  TestLog log;
  vk::Sid sid;
  uint32_t use = 0;
  ASSERT_EQ(LookupSidByName(log, u"bob", &sid, &use), 0);
  EXPECT_EQ(sid, vk::Sid::UnixUser(1001));
  ASSERT_EQ(LookupSidByName(log, u"CORP\\dave", &sid, &use), 0);
  EXPECT_EQ(sid, vk::Sid::UnixUser(1500));
  ASSERT_EQ(LookupSidByName(log, u"BUILTIN\\Administrators", &sid, &use), 0);
  EXPECT_EQ(sid, vk::Sid::Administrators());
  EXPECT_TRUE(LoggedLines(log).empty());
  // "\\TESTPC\bob" is not a name this computer knows, but TESTPC is its server.
  ASSERT_EQ(LookupSidByName(log, u"\\\\TESTPC\\bob", &sid, &use), 0);
  EXPECT_EQ(sid, vk::Sid::UnixUser(1001));
  EXPECT_TRUE(LoggedLines(log).empty());

  EXPECT_EQ(LookupSidByName(log, u"CORP\\nobody", &sid, &use), RPC_S_SERVER_UNAVAILABLE);
  EXPECT_FALSE(sid.IsValid());
  EXPECT_TRUE(Logged(log, u"Error looking up SID for 'CORP\\nobody'. Errorcode 1722"));
  log.Clear();
  EXPECT_EQ(LookupSidByName(log, u"ghost", &sid, &use), ERROR_NONE_MAPPED);
  EXPECT_TRUE(Logged(log, u"Error looking up SID for 'ghost'. Errorcode 1332"));
}

}  // namespace
