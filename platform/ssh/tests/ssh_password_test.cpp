// Password logins and sudo with a password, against an sshd that sees the
// test's own accounts through nss_wrapper.
#include <gtest/gtest.h>

#include "platform/core/text.h"
#include "platform/ssh/ssh_session.h"
#include "platform/ssh/testing/test_sshd.h"

namespace vk::ssh {
namespace {

using vk::testing::ReadFileText;
using vk::testing::WriteText;

constexpr const char* kPassword = "Secret-42";

class SshPasswordTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The test's sudo stands in /usr/local/bin, on the login's PATH.
    if (!vk::testing::EnterPrivateNamespaces({"/usr/local/bin"})) return;
    folder_ = vk::testing::MakeTempFolder("vk-sshpw-");
    std::string hash;
    FILE* p = popen((std::string("openssl passwd -6 ") + kPassword).c_str(), "r");
    char line[256] = {};
    if (p != nullptr && fgets(line, sizeof line, p) != nullptr) hash = line;
    if (p != nullptr) pclose(p);
    while (!hash.empty() && hash.back() == '\n') hash.pop_back();
    if (hash.empty()) return;
    std::filesystem::create_directories(folder_ + "/home");
    chmod(folder_.c_str(), 0755);
    chmod((folder_ + "/home").c_str(), 0777);
    WriteText(folder_ + "/passwd",
              "root:x:0:0:root:/root:/bin/sh\nsshd:x:105:65534::/run/sshd:/usr/sbin/nologin\nvkadmin:" + hash +
                  ":4242:4242:VK admin:" + folder_ + "/home:/bin/sh\n",
              0644);
    WriteText(folder_ + "/group", "root:x:0:\nnogroup:x:65534:\nvkadmin:x:4242:\n", 0644);
    // A sudo of the test's own: asks for a password, wants it on standard
    // input, and records its arguments.
    WriteText("/usr/local/bin/sudo",
              "#!/bin/sh\necho \"$*\" >> " + folder_ +
                  "/home/sudo-args\n"
                  "if [ \"$1\" = -n ]; then echo 'sudo: a password is required' >&2; exit 1; fi\n"
                  "IFS= read -r pw\n"
                  "if [ \"$pw\" != '" +
                  kPassword +
                  "' ]; then echo 'Sorry, try again.' >&2; echo 'sudo: 1 incorrect password attempt' >&2; exit 1; fi\n"
                  "shift 3; [ \"$1\" = -- ] && shift\nexec \"$@\"\n",
              0755);
    sshd_ = new vk::testing::TestSshd("PasswordAuthentication yes\n", {{"LD_PRELOAD", NSS_WRAPPER_LIBRARY},
                                                                       {"NSS_WRAPPER_PASSWD", folder_ + "/passwd"},
                                                                       {"NSS_WRAPPER_GROUP", folder_ + "/group"}});
  }
  static void TearDownTestSuite() {
    delete sshd_;
    sshd_ = nullptr;
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }
  void SetUp() override {
    if (sshd_ == nullptr || !sshd_->Ready()) GTEST_SKIP() << "no private namespaces, openssl or sshd here";
    WriteText(sshd_->Folder() + "/known_hosts", sshd_->KnownHostsLine(sshd_->HostKey().publicLine) + "\n");
  }
  SshTarget Target(const std::string& password) const {
    SshTarget t;
    t.host = "127.0.0.1";
    t.port = sshd_->Port();
    t.user = "vkadmin";
    t.configFile = "none";
    t.knownHostsFile = sshd_->Folder() + "/known_hosts";
    t.password = password;
    return t;
  }

  static std::string folder_;
  static vk::testing::TestSshd* sshd_;
};

std::string SshPasswordTest::folder_;
vk::testing::TestSshd* SshPasswordTest::sshd_ = nullptr;

TEST_F(SshPasswordTest, PasswordLoginAndSudoWithThePasswordOnStandardInput) {
  setenv("HOME", folder_.c_str(), 1);  // no keys of the real user
  unsetenv("SSH_AUTH_SOCK");
  SshSession session;
  ASSERT_EQ(session.Connect(Target(kPassword), nullptr), 0) << ToUtf8(session.LastError().text) << sshd_->Log();
  CommandResult r;
  ASSERT_EQ(session.Run("id -u", {}, r), 0);
  EXPECT_EQ(r.out, "4242\n");

  ASSERT_EQ(session.RunPrivileged("echo privileged step", r), 0) << ToUtf8(session.LastError().text);
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, "privileged step\n");
  // The second step goes straight to sudo -S.
  ASSERT_EQ(session.RunPrivileged("echo again", r), 0);
  EXPECT_EQ(r.out, "again\n");
  std::string args = ReadFileText(folder_ + "/home/sudo-args");
  EXPECT_EQ(args,
            "-n -- sh -c echo privileged step\n-S -p  -- sh -c echo privileged step\n-S -p  -- sh -c echo again\n");
  EXPECT_EQ(args.find(kPassword), std::string::npos);

  SshSession wrong;
  EXPECT_EQ(wrong.Connect(Target("not-it"), nullptr), 1326);
  EXPECT_NE(ToUtf8(wrong.LastError().text).find("Permission denied (publickey,password"), std::string::npos);

  SshSession withoutPassword;
  SshTarget keyless = Target("");
  EXPECT_EQ(withoutPassword.Connect(keyless, nullptr), 1326);
}

}  // namespace
}  // namespace vk::ssh
