// Runs against real PAM and NSS through pam_wrapper (pam_matrix) and
// nss_wrapper, with the accounts of platform/accounts/tests/data: alice is
// an administrator (group sudo), bob is in the groups operators and viewers,
// carol in viewers, dave is CORP\dave.
#include "agent/security/agent_security.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/registry/tests/log_lines.h"
#include "platform/accounts/account_lookup.h"
#include "platform/core/error_codes.h"
#include "platform/security/security_descriptor.h"

namespace {

constexpr uint32_t kMaximumAllowed = 0x02000000;

class AgentSecurity : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vksecXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("VIEWKEEPER_REGISTRY_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("VIEWKEEPER_REGISTRY_DIR");
    std::filesystem::remove_all(dir_);
  }

  void WriteLists(const std::string& administrators, const std::string& operators, const std::string& users) {
    std::ofstream(dir_ + "/HKLM.reg") << "Windows Registry Editor Version 5.00\n\n"
                                      << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Settings]\n"
                                      << "\"Administrators\"=\"" << administrators << "\"\n"
                                      << "\"Operators\"=\"" << operators << "\"\n"
                                      << "\"Users\"=\"" << users << "\"\n";
  }

  std::string RegistryText() {
    std::ifstream in(dir_ + "/HKLM.reg");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  static vk::AccessToken TokenOf(std::u16string_view name) {
    vk::AccessToken token;
    EXPECT_EQ(vk::BuildTokenForUser(name, &token), 0);
    return token;
  }

  uint32_t LogonMask(cVkAgentSecurity& security, std::u16string_view user, std::u16string_view password,
                     int32_t* code) {
    uint32_t mask = 0xDEAD;
    *code = security.CheckLogonAccess(log_, user, u"", password, kMaximumAllowed, &mask);
    return mask;
  }

  std::string dir_;
  TestLog log_;
};

TEST_F(AgentSecurity, FreshInstallationAdmitsOnlyAdministrators) {
  log_.LogMsg(LOG_ERROR, 99, u"An earlier failure of this activity.");
  cVkAgentSecurity security;
  ASSERT_EQ(security.InitializeSecurity(log_), 0);
  EXPECT_EQ(security.GetAdministrators(), VkAccountList{u"Administrators"});
  EXPECT_EQ(security.GetOperators(), VkAccountList{u"Administrators"});
  EXPECT_EQ(security.GetUsers(), VkAccountList{u"Administrators"});
  auto lines = LoggedLines(log_);
  ASSERT_EQ(lines.size(), 1u);  // missing values leave no message, and the earlier one stays
  EXPECT_EQ(lines[0].code, 99);
  EXPECT_TRUE(security.LoadedFromRegistry());

  int32_t code = -1;
  EXPECT_EQ(LogonMask(security, u"alice", u"alice-secret", &code), 11u);
  EXPECT_EQ(code, 0);
  LogonMask(security, u"bob", u"bob-secret", &code);
  EXPECT_EQ(code, ERROR_ACCESS_DENIED);
  EXPECT_TRUE(Logged(log_, u"Access to the service has been denied. Errorcode 5."));

  ASSERT_EQ(security.SaveToRegistry(log_), 0);
  EXPECT_NE(RegistryText().find("\"Administrators\"=\"Administrators\"\n\"Operators\"=\"Administrators\"\n"
                                "\"Users\"=\"Administrators\"\n"),
            std::string::npos);
}

TEST_F(AgentSecurity, ListsGrantTheirMasksThroughUsersAndGroups) {
  WriteLists("alice", "operators", "viewers,CORP\\\\dave");  // .reg escapes the backslash
  cVkAgentSecurity security;
  ASSERT_EQ(security.InitializeSecurity(log_), 0);
  int32_t code = -1;
  EXPECT_EQ(LogonMask(security, u"bob", u"bob-secret", &code), 3u);  // operators and viewers: 3 | 1
  EXPECT_EQ(code, 0);
  EXPECT_EQ(LogonMask(security, u"carol", u"carol-secret", &code), 1u);
  EXPECT_EQ(code, 0);
  uint32_t mask = 0;
  EXPECT_EQ(security.CheckLogonAccess(log_, u"dave", u"CORP", u"dave-secret", kMaximumAllowed, &mask), 0);
  EXPECT_EQ(mask, 1u);
  EXPECT_TRUE(LoggedLines(log_).empty());

  vk::AccessToken bob = TokenOf(u"bob");
  EXPECT_EQ(security.CheckClientAccess(log_, &bob, RIGHT_READ), 0);
  EXPECT_EQ(security.CheckClientAccess(log_, &bob, RIGHT_CHANGE), 0);                        // may change settings ...
  EXPECT_EQ(security.CheckClientAccess(log_, &bob, RIGHT_ADMINISTER), ERROR_ACCESS_DENIED);  // ... not security
  EXPECT_EQ(security.CheckClientAccess(log_, nullptr, RIGHT_READ), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(Logged(log_, u"Error impersonating client. Errorcode 5."));
}

TEST_F(AgentSecurity, WrongPasswordAndUnknownUserLookAlike) {
  WriteLists("alice", "operators", "viewers");
  cVkAgentSecurity security;
  ASSERT_EQ(security.InitializeSecurity(log_), 0);
  int32_t wrongCode = 0, unknownCode = 0;
  uint32_t wrongMask = LogonMask(security, u"bob", u"not-bobs", &wrongCode);
  auto wrongLines = LoggedLines(log_);
  log_.Clear();
  uint32_t unknownMask = LogonMask(security, u"mallory", u"bob-secret", &unknownCode);
  auto unknownLines = LoggedLines(log_);
  EXPECT_EQ(wrongCode, ERROR_LOGON_FAILURE);
  EXPECT_EQ(unknownCode, ERROR_LOGON_FAILURE);
  EXPECT_EQ(wrongMask, 0xDEADu);  // untouched on failure
  EXPECT_EQ(unknownMask, 0xDEADu);
  ASSERT_EQ(wrongLines.size(), 1u);
  ASSERT_EQ(unknownLines.size(), 1u);
  EXPECT_EQ(wrongLines[0].text, unknownLines[0].text);
  EXPECT_TRUE(wrongLines[0].text.starts_with(u"Error impersonating client. Errorcode 1326."));
  EXPECT_EQ(wrongLines[0].text.find(u"not-bobs"), std::u16string::npos);
}

TEST_F(AgentSecurity, DescriptorHoldsOneEntryPerNameInCanonicalOrder) {
  WriteLists("alice,bob", "operators", "bob,,viewers");
  cVkAgentSecurity security;
  ASSERT_EQ(security.InitializeSecurity(log_), 0);
  EXPECT_EQ(security.GetUsers(), (VkAccountList{u"bob", u"", u"viewers"}));  // the empty name is kept ...
  std::vector<uint8_t> bytes = security.GetSecurityDescriptor();
  auto sd = vk::SecurityDescriptor::FromSelfRelative(bytes);
  ASSERT_TRUE(sd);
  EXPECT_EQ(sd->owner, vk::Sid::Administrators());
  EXPECT_EQ(sd->group, vk::Sid::Administrators());
  EXPECT_TRUE(sd->ownerDefaulted && sd->groupDefaulted);
  // ... but grants nothing; the entries run from the last name to the first.
  std::vector<vk::Ace> expected = {
      {0, 0, 1, vk::Sid::UnixGroup(2001)}, {0, 0, 1, vk::Sid::UnixUser(1001)},  {0, 0, 3, vk::Sid::UnixGroup(2000)},
      {0, 0, 11, vk::Sid::UnixUser(1001)}, {0, 0, 11, vk::Sid::UnixUser(1000)},
  };
  EXPECT_EQ(sd->dacl->entries, expected);
  EXPECT_EQ(sd->dacl->Size(), 8u + 5 * (8 + 16));
  EXPECT_EQ(bytes.size(), 20u + sd->dacl->Size() + 16 + 16);
  int32_t code = -1;
  // In the Administrators and the Users list: the lists' rights nest, so
  // this shows the combined rights, not how they combine (the access check's
  // own test does, with disjoint rights).
  EXPECT_EQ(LogonMask(security, u"bob", u"bob-secret", &code), 11u);

  ASSERT_EQ(security.SaveToRegistry(log_), 0);
  EXPECT_NE(RegistryText().find("\"Users\"=\"bob,,viewers\""), std::string::npos);
  WriteLists("", "", "");  // empty lists: one empty name each, and no one admitted
  ASSERT_EQ(security.InitializeSecurity(log_), 0);
  LogonMask(security, u"alice", u"alice-secret", &code);
  EXPECT_EQ(code, ERROR_ACCESS_DENIED);
}

TEST_F(AgentSecurity, ApplySecurityRefusesALockOut) {
  WriteLists("alice", "operators", "viewers");
  cVkAgentSecurity security;
  ASSERT_EQ(security.InitializeSecurity(log_), 0);
  std::string before = RegistryText();
  vk::AccessToken alice = TokenOf(u"alice");

  cVkServiceSecurity leavesOnlyRead({u"bob"}, {u"operators"}, {u"alice"});
  EXPECT_EQ(security.ApplySecurity(log_, &alice, leavesOnlyRead), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(Logged(log_,
                     u"An error has occured while changing the service access rights. Resulting settings do not give "
                     u"administrative privileges to the client user. Operation refused. Errorcode 5."));
  EXPECT_EQ(security.GetAdministrators(), VkAccountList{u"alice"});
  EXPECT_EQ(RegistryText(), before);

  cVkServiceSecurity unresolvable({u"alice"}, {u"ghost"}, {});
  EXPECT_EQ(security.ApplySecurity(log_, &alice, unresolvable), ERROR_NONE_MAPPED);
  EXPECT_TRUE(Logged(log_, u"An error has occurred while looking up a SID with username: 'ghost'. Errorcode 1332."));
  EXPECT_TRUE(Logged(log_, u"Error setting up  ACE for account 'ghost'. Errorcode 1332."));
  EXPECT_TRUE(Logged(log_,
                     u"An error has occured while changing the service access rights. Cannot create new security "
                     u"descriptor. Operation refused. Errorcode 1332."));
  EXPECT_EQ(security.GetOperators(), VkAccountList{u"operators"});
  EXPECT_FALSE(security.ChangedSinceLoad());

  log_.Clear();
  cVkServiceSecurity accepted({u"Administrators"}, {u"bob"}, {});
  ASSERT_EQ(security.ApplySecurity(log_, &alice, accepted), 0);
  EXPECT_TRUE(LoggedLines(log_).empty());
  EXPECT_TRUE(security.ChangedSinceLoad());
  EXPECT_NE(RegistryText().find("\"Administrators\"=\"Administrators\"\n\"Operators\"=\"bob\"\n\"Users\"=\"\"\n"),
            std::string::npos);
  int32_t code = -1;
  EXPECT_EQ(LogonMask(security, u"bob", u"bob-secret", &code), 3u);
  LogonMask(security, u"carol", u"carol-secret", &code);
  EXPECT_EQ(code, ERROR_ACCESS_DENIED);

  // The stored empty list reads back as one empty name, and the agent still starts.
  cVkAgentSecurity restarted;
  ASSERT_EQ(restarted.InitializeSecurity(log_), 0);
  EXPECT_EQ(restarted.GetUsers(), VkAccountList{u""});
}

TEST_F(AgentSecurity, ADamagedRegistryIsReportedAndNotSavedOver) {
  WriteLists("alice", "operators", "viewers");
  std::ofstream(dir_ + "/HKLM.reg", std::ios::app) << "\"Broken\"=dword:zz\n";
  std::string damaged = RegistryText();
  struct CountingSink : iVkLogSink {
    int appended = 0;
    void AppendLogToFile(cOrkLog&) override { ++appended; }
  } sink;
  cVkAgentSecurity security(&sink);
  ASSERT_EQ(security.InitializeSecurity(log_), 0);
  EXPECT_EQ(sink.appended, 1);
  EXPECT_FALSE(security.LoadedFromRegistry());
  EXPECT_FALSE(security.ShouldSaveAtStop());
  EXPECT_EQ(security.GetAdministrators(), VkAccountList{u"Administrators"});
  EXPECT_TRUE(Logged(log_, u"The registry file is damaged: "));
  EXPECT_TRUE(Logged(log_,
                     u"An error has occurred while getting the registry key "
                     u"'HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Settings\\Administrators'. "
                     u"Errorcode 1015"));
  EXPECT_NE(security.SaveToRegistry(log_), 0);
  EXPECT_EQ(RegistryText(), damaged);
}

TEST_F(AgentSecurity, AnUnresolvableNameStopsTheStart) {
  WriteLists("alice", "nobody-known", "");
  cVkAgentSecurity security;
  EXPECT_EQ(security.InitializeSecurity(log_), ERROR_NONE_MAPPED);
  EXPECT_TRUE(Logged(log_, u"An error has occured while initializing the service security. Errorcde 1332."));
  EXPECT_TRUE(security.GetSecurityDescriptor().empty());
  vk::AccessToken alice = TokenOf(u"alice");
  bool granted = true;
  uint32_t mask = 0;
  EXPECT_EQ(security.CheckTokenAccess(log_, alice, 1, &granted, &mask), ERROR_INVALID_SECURITY_DESCR);
  EXPECT_TRUE(Logged(log_, u"Error checking access for initialized security object. Errorcode 1338."));
}

TEST_F(AgentSecurity, ChecksRunSafelyWhileTheListsAreReplaced) {
  WriteLists("alice", "operators", "");
  cVkAgentSecurity security;
  ASSERT_EQ(security.InitializeSecurity(log_), 0);
  vk::AccessToken alice = TokenOf(u"alice"), bob = TokenOf(u"bob");
  std::atomic<bool> done = false;
  std::atomic<int> failures = 0;
  std::thread checker([&] {
    cOrkLog log;
    while (!done) {
      bool granted = false;
      uint32_t mask = 0;
      if (security.CheckTokenAccess(log, bob, kMaximumAllowed, &granted, &mask) != 0 || !granted ||
          (mask != 3 && mask != 1))
        ++failures;
    }
  });
  cVkServiceSecurity a({u"alice"}, {u"operators"}, {}), b({u"alice"}, {}, {u"bob"});
  for (int i = 0; i < 40; ++i) ASSERT_EQ(security.ApplySecurity(log_, &alice, i % 2 ? a : b), 0);
  done = true;
  checker.join();
  EXPECT_EQ(failures, 0);
}

}  // namespace
