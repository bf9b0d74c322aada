// SshSession against a real sshd of the test's own on 127.0.0.1.
#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <thread>

#include "platform/core/text.h"
#include "platform/core/worker_thread.h"
#include "platform/ssh/ssh_session.h"
#include "platform/ssh/testing/test_sshd.h"

namespace vk::ssh {
namespace {

using vk::testing::ReadFileText;
using vk::testing::WriteText;

class RecordingQuestion : public HostKeyQuestion {
 public:
  explicit RecordingQuestion(bool answer) : answer_(answer) {}
  bool AcceptUnknownHostKey(std::u16string_view host, std::u16string_view type,
                            std::u16string_view fingerprint) override {
    ++asked;
    this->host = ToUtf8(host);
    this->type = ToUtf8(type);
    this->fingerprint = ToUtf8(fingerprint);
    return answer_;
  }
  int asked = 0;
  std::string host, type, fingerprint;

 private:
  bool answer_;
};

class SshSessionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!vk::testing::EnterPrivateNamespaces({})) return;
    sshd_ = new vk::testing::TestSshd();
  }
  static void TearDownTestSuite() {
    delete sshd_;
    sshd_ = nullptr;
  }
  void SetUp() override {
    if (sshd_ == nullptr || !sshd_->Ready()) GTEST_SKIP() << "no private namespaces or sshd here";
    knownHosts_ = sshd_->Folder() + "/known_hosts";
    WriteText(knownHosts_, sshd_->KnownHostsLine(sshd_->HostKey().publicLine) + "\n");
  }
  SshTarget Target() const {
    SshTarget t;
    t.host = "127.0.0.1";
    t.port = sshd_->Port();
    t.user = "root";
    t.configFile = "none";
    t.knownHostsFile = knownHosts_;
    t.identityFiles = {sshd_->ClientKey().path};
    return t;
  }
  // A local listener that echoes what it receives once.
  static int StartEcho(std::thread& worker) {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listener, 1);
    getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length);
    worker = std::thread([listener] {
      int c = accept(listener, nullptr, nullptr);
      char buffer[256];
      ssize_t n = read(c, buffer, sizeof buffer);
      if (n > 0) write(c, buffer, static_cast<size_t>(n));
      close(c);
      close(listener);
    });
    return ntohs(a.sin_port);
  }

  static vk::testing::TestSshd* sshd_;
  std::string knownHosts_;
};

vk::testing::TestSshd* SshSessionTest::sshd_ = nullptr;

TEST_F(SshSessionTest, KeyLoginRunsCommandsWithInputExitStatusAndRootRights) {
  SshSession session;
  ASSERT_EQ(session.Connect(Target(), nullptr), 0) << ToUtf8(session.LastError().text) << sshd_->Log();
  EXPECT_TRUE(session.IsConnected());
  EXPECT_EQ(session.User(), "root");

  CommandResult r;
  ASSERT_EQ(session.Run("tr a-z A-Z; echo oops >&2; exit 3", "hello\n", r), 0);
  EXPECT_EQ(r.out, "HELLO\n");
  EXPECT_EQ(r.err, "oops\n");
  EXPECT_EQ(r.exitStatus, 3);

  ASSERT_EQ(session.RunPrivileged("id -u; printf '%s' " + ShellQuote("it's"), r), 0);
  EXPECT_EQ(r.out, "0\nit's");
  EXPECT_EQ(r.exitStatus, 0);
}

TEST_F(SshSessionTest, SftpCreatesPrivateFoldersCopiesFilesAndReportsFreeSpace) {
  SshSession session;
  ASSERT_EQ(session.Connect(Target(), nullptr), 0) << ToUtf8(session.LastError().text);
  std::string home;
  ASSERT_EQ(session.HomeFolder(home), 0);
  EXPECT_EQ(home, "/root");

  std::string folder = sshd_->Folder() + "/stage";
  ASSERT_EQ(session.MakeFolder(folder, 0700), 0);
  EXPECT_EQ(session.MakeFolder(folder, 0700), 183);
  struct stat st {};
  ASSERT_EQ(stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  std::string big(300000, 'x');
  for (size_t i = 0; i < big.size(); i += 7) big[i] = static_cast<char>(i % 251);
  WriteText(sshd_->Folder() + "/local.bin", big);
  ASSERT_EQ(session.PutFile(sshd_->Folder() + "/local.bin", folder + "/copy.bin", 0750), 0);
  EXPECT_EQ(ReadFileText(folder + "/copy.bin"), big);
  ASSERT_EQ(stat((folder + "/copy.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0750u);

  bool exists = false;
  ASSERT_EQ(session.Exists(folder + "/copy.bin", &exists), 0);
  EXPECT_TRUE(exists);
  EXPECT_NE(session.RemoveFolder(folder), 0);  // not empty
  EXPECT_EQ(session.RemoveFile(folder + "/copy.bin"), 0);
  EXPECT_EQ(session.RemoveFile(folder + "/copy.bin"), 2);
  EXPECT_EQ(session.RemoveFolder(folder), 0);
  ASSERT_EQ(session.Exists(folder, &exists), 0);
  EXPECT_FALSE(exists);

  uint64_t free = 0;
  ASSERT_EQ(session.FreeSpace("/tmp", &free), 0) << ToUtf8(session.LastError().text);
  struct statvfs local {};
  ASSERT_EQ(statvfs("/tmp", &local), 0);
  uint64_t expected = static_cast<uint64_t>(local.f_bavail) * local.f_frsize;
  EXPECT_NEAR(static_cast<double>(free), static_cast<double>(expected), 64.0 * 1024 * 1024);
  EXPECT_EQ(session.FreeSpace("/no/such/folder", &free), 2);
}

TEST_F(SshSessionTest, ForwardCarriesBytesBothWays) {
  std::thread echo;
  int port = StartEcho(echo);
  SshSession session;
  ASSERT_EQ(session.Connect(Target(), nullptr), 0);
  std::unique_ptr<SshStream> stream;
  ASSERT_EQ(session.OpenForward("127.0.0.1", port, stream), 0) << ToUtf8(session.LastError().text);
  const uint8_t hello[] = {'p', 'i', 'n', 'g', 0, 255};
  ASSERT_EQ(stream->Write(hello), 0);
  std::vector<uint8_t> got;
  uint8_t buffer[64];
  size_t n = 1;
  while (got.size() < sizeof hello && n != 0) {
    ASSERT_EQ(stream->Read(buffer, &n, 10000), 0);
    got.insert(got.end(), buffer, buffer + n);
  }
  EXPECT_EQ(got, std::vector<uint8_t>(hello, hello + sizeof hello));
  ASSERT_EQ(stream->Read(buffer, &n, 10000), 0);
  EXPECT_EQ(n, 0u);  // the echo server closed
  stream.reset();
  echo.join();

  int closed = vk::testing::FreeLoopbackPort();
  EXPECT_NE(session.OpenForward("127.0.0.1", closed, stream), 0);
}

TEST_F(SshSessionTest, UnknownHostKeyNeedsConsentAndIsThenRecorded) {
  WriteText(knownHosts_, "");
  SshSession declined;
  RecordingQuestion no(false);
  EXPECT_EQ(declined.Connect(Target(), &no), 1397);
  EXPECT_EQ(no.asked, 1);
  EXPECT_EQ(no.type, "ssh-ed25519");
  EXPECT_EQ(no.fingerprint.rfind("SHA256:", 0), 0u);
  EXPECT_NE(ToUtf8(declined.LastError().text).find("Host key verification failed"), std::string::npos);
  EXPECT_EQ(ReadFileText(knownHosts_), "");

  SshSession noQuestion;
  EXPECT_EQ(noQuestion.Connect(Target(), nullptr), 1397);

  // The fingerprint shown is the one ssh-keygen gives for the host key.
  std::string keygen;
  {
    FILE* p = popen(("ssh-keygen -l -E sha256 -f " + sshd_->HostKey().path + ".pub").c_str(), "r");
    char line[512] = {};
    if (p != nullptr && fgets(line, sizeof line, p) != nullptr) keygen = line;
    if (p != nullptr) pclose(p);
  }
  EXPECT_NE(keygen.find(no.fingerprint), std::string::npos) << keygen;

  SshSession accepted;
  RecordingQuestion yes(true);
  ASSERT_EQ(accepted.Connect(Target(), &yes), 0) << ToUtf8(accepted.LastError().text);
  EXPECT_EQ(yes.asked, 1);
  SshSession again;
  RecordingQuestion later(false);
  ASSERT_EQ(again.Connect(Target(), &later), 0);
  EXPECT_EQ(later.asked, 0);
}

TEST_F(SshSessionTest, ChangedHostKeyIsRefusedNamingFileAndLine) {
  vk::testing::TestKey other = vk::testing::MakeKey(sshd_->Folder() + "/other_host_key");
  WriteText(knownHosts_, "# earlier hosts\n" + sshd_->KnownHostsLine(other.publicLine) + "\n");
  SshSession session;
  RecordingQuestion yes(true);
  EXPECT_EQ(session.Connect(Target(), &yes), 1397);
  EXPECT_EQ(yes.asked, 0);
  std::string text = ToUtf8(session.LastError().text);
  EXPECT_NE(text.find("Host key verification failed"), std::string::npos) << text;
  EXPECT_NE(text.find(knownHosts_ + " line 2"), std::string::npos) << text;
  std::filesystem::remove(other.path);
  std::filesystem::remove(other.path + ".pub");
}

TEST_F(SshSessionTest, LoginAndConnectFailuresHaveCodesAndTexts) {
  SshTarget noKey = Target();
  noKey.identityFiles.clear();
  noKey.configFile = "none";
  setenv("HOME", sshd_->Folder().c_str(), 1);  // no ~/.ssh keys of the real user
  unsetenv("SSH_AUTH_SOCK");
  SshSession denied;
  EXPECT_EQ(denied.Connect(noKey, nullptr), 1326);
  std::string text = ToUtf8(denied.LastError().text);
  EXPECT_NE(text.find("Permission denied (publickey,password"), std::string::npos) << text;

  SshTarget closed = Target();
  closed.port = vk::testing::FreeLoopbackPort();
  SshSession refused;
  EXPECT_EQ(refused.Connect(closed, nullptr), 10061);
  EXPECT_NE(ToUtf8(refused.LastError().text).find("Connection refused"), std::string::npos);
}

// A connect that can be cancelled (the console's background questions):
// it logs in as the plain one does, and a computer that takes the TCP
// connection but never answers ends it at its timeout or at the cancel.
TEST_F(SshSessionTest, CancellableConnectLogsInAndEndsAtItsTimeoutOrItsCancel) {
  vk::ManualResetEvent cancel;
  SshSession session;
  ASSERT_EQ(session.Connect(Target(), nullptr, &cancel), 0) << ToUtf8(session.LastError().text);
  CommandResult result;
  ASSERT_EQ(session.Run("echo blocking again", "", result), 0);
  EXPECT_EQ(result.out, "blocking again\n");

  // Listening, never accepting: the kernel completes the connection and
  // nothing ever answers on it.
  const int silent = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(listen(silent, 4), 0);
  ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&a), &length), 0);
  SshTarget mute = Target();
  mute.port = ntohs(a.sin_port);
  mute.connectTimeoutSeconds = 1;
  SshSession timedOut;
  EXPECT_EQ(timedOut.Connect(mute, nullptr, &cancel), 10060);
  EXPECT_NE(ToUtf8(timedOut.LastError().text).find("Timeout"), std::string::npos);

  mute.connectTimeoutSeconds = 60;
  std::thread canceller([&cancel] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    cancel.Set();
  });
  SshSession cancelled;
  EXPECT_EQ(cancelled.Connect(mute, nullptr, &cancel), 1223);
  canceller.join();
  EXPECT_NE(ToUtf8(cancelled.LastError().text).find("cancelled"), std::string::npos);
  close(silent);
}

}  // namespace
}  // namespace vk::ssh
