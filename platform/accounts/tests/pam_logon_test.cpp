// Runs against pam_wrapper's pam_matrix (passwords in tests/data/passdb) and
// nss_wrapper (accounts in tests/data/passwd and group).
#include "platform/accounts/pam_logon.h"

#include <gtest/gtest.h>

#include "platform/core/error_codes.h"

namespace vk {
namespace {

TEST(PamLogon, RightPasswordGivesTheUsersToken) {
  AccessToken token;
  ASSERT_EQ(LogonNetworkUser(u"bob", u"", u"bob-secret", &token), 0);
  EXPECT_EQ(token.user, Sid::UnixUser(1001));
  EXPECT_TRUE(token.Holds(Sid::UnixGroup(2000)));
  ASSERT_EQ(LogonNetworkUser(u"alice", u"TESTPC", u"alice-secret", &token), 0);
  EXPECT_TRUE(token.Holds(Sid::Administrators()));
  ASSERT_EQ(LogonNetworkUser(u"dave", u"CORP", u"dave-secret", &token), 0);
  EXPECT_EQ(token.user, Sid::UnixUser(1500));
}

TEST(PamLogon, EveryFailureToAuthenticateLooksTheSame) {
  AccessToken token;
  token.userName = u"untouched";
  EXPECT_EQ(LogonNetworkUser(u"bob", u"", u"wrong", &token), ERROR_LOGON_FAILURE);
  EXPECT_EQ(LogonNetworkUser(u"bob", u"", u"", &token), ERROR_LOGON_FAILURE);
  EXPECT_EQ(LogonNetworkUser(u"nobody", u"", u"bob-secret", &token), ERROR_LOGON_FAILURE);
  EXPECT_EQ(LogonNetworkUser(u"eve", u"", u"eve-secret", &token), ERROR_LOGON_FAILURE);  // PAM only, no NSS entry
  EXPECT_EQ(LogonNetworkUser(u"", u"", u"x", &token), ERROR_LOGON_FAILURE);
  EXPECT_EQ(token.userName, u"untouched");
}

TEST(PamLogon, TheAccountCheckApplies) {
  AccessToken token;
  // frank's password is right, but only for another service.
  EXPECT_EQ(LogonNetworkUser(u"frank", u"", u"frank-secret", &token), ERROR_ACCOUNT_RESTRICTION);
}

}  // namespace
}  // namespace vk
