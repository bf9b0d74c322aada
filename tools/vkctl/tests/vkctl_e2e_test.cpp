// vkctl end to end: a test sshd on 127.0.0.1 in a private mount namespace
// where /opt, /etc/systemd/system and /var/lib are empty tmpfs folders and
// systemctl is a stand-in that really starts and stops the installed agent.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>

#include "common/settings/register_settings.h"
#include "common/settings/service_settings.h"
#include "platform/ssh/testing/test_sshd.h"

namespace {

namespace fs = std::filesystem;
using vk::testing::ReadFileText;
using vk::testing::WriteText;

struct Outcome {
  int exitStatus = -1;
  std::string out;
  std::string err;
};

class VkctlEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The installed agent sees no X server of the machine: another test's
    // Xvfb going away must not end it. X servers make the socket folder
    // themselves; it is made here so that it can be covered.
    std::error_code ignored;
    fs::create_directory("/tmp/.X11-unix", ignored);
    fs::permissions("/tmp/.X11-unix", fs::perms(01777), ignored);
    if (!vk::testing::EnterPrivateNamespaces(
            {"/opt", "/etc/systemd/system", "/var/lib", "/usr/local/sbin", "/root", "/tmp/.X11-unix"}))
      return;
    fs::copy_file(STANDIN_PATH, "/usr/local/sbin/systemctl");
    sshd_ = new vk::testing::TestSshd();
    if (!sshd_->Ready()) return;
    home_ = sshd_->Folder() + "/home";
    fs::create_directories(home_);
  }
  static void TearDownTestSuite() {
    Run("remove 127.0.0.1");
    delete sshd_;
    sshd_ = nullptr;
  }
  void SetUp() override {
    if (sshd_ == nullptr || !sshd_->Ready()) GTEST_SKIP() << "no private namespaces or sshd here";
    WriteText(KnownHosts(), sshd_->KnownHostsLine(sshd_->HostKey().publicLine) + "\n");
  }
  void TearDown() override {
    if (sshd_ == nullptr || !fs::exists("/etc/systemd/system/viewkeeper.service")) return;
    WriteText(KnownHosts(), sshd_->KnownHostsLine(sshd_->HostKey().publicLine) + "\n");
    Run("remove 127.0.0.1");
  }

  static std::string KnownHosts() { return sshd_->Folder() + "/known_hosts"; }
  static std::string Connection() {
    return " --ssh-config none --user root --port " + std::to_string(sshd_->Port()) + " --identity " +
           sshd_->ClientKey().path + " --known-hosts " + KnownHosts();
  }
  // Runs vkctl with the connection options; standard input is not a terminal.
  static Outcome Run(const std::string& arguments, const std::string& extra = {}) {
    Outcome o;
    std::string errFile = sshd_->Folder() + "/vkctl.err";
    std::string command = "HOME=" + home_ + " SSH_AUTH_SOCK= " + VKCTL_PATH + Connection() + " --files " + BIN_DIR +
                          " " + extra + " " + arguments + " 2>" + errFile + " </dev/null";
    FILE* p = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n;
    while (p != nullptr && (n = fread(buffer, 1, sizeof buffer, p)) > 0) o.out.append(buffer, n);
    int status = p != nullptr ? pclose(p) : -1;
    o.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.err = ReadFileText(errFile);
    return o;
  }
  static std::string AgentPid() {
    std::string pid = ReadFileText("/run/vk-systemctl/pid");
    while (!pid.empty() && pid.back() == '\n') pid.pop_back();
    return pid;
  }
  static bool AgentRunning() {
    std::string pid = AgentPid();
    if (pid.empty()) return false;
    std::error_code ec;
    return fs::read_symlink("/proc/" + pid + "/exe", ec) == "/opt/viewkeeper/deskagent";
  }
  // What the agent publishes once its configuration interface listens.
  static void PublishDisplayName(const std::string& name) {
    fs::create_directories("/etc/systemd/system/viewkeeper.service.d");
    WriteText("/etc/systemd/system/viewkeeper.service.d/display-name.conf", "[Unit]\nDescription=" + name + "\n");
  }
  static std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(folder)) names.push_back(e.path().string());
    return names;
  }

  static vk::testing::TestSshd* sshd_;
  static std::string home_;
};

vk::testing::TestSshd* VkctlEndToEnd::sshd_ = nullptr;
std::string VkctlEndToEnd::home_;

TEST_F(VkctlEndToEnd, InstallStopStartUpgradeAndRemoveLeaveNothingBehind) {
  Outcome status = Run("status 127.0.0.1");
  ASSERT_EQ(status.exitStatus, 0) << status.err;
  EXPECT_EQ(status.out, "127.0.0.1: not installed\n");

  Outcome install = Run("install 127.0.0.1");
  ASSERT_EQ(install.exitStatus, 0) << install.err << install.out;
  for (const char* name : {"deskagent", "liborklog.so", "libdeskhook.so"}) {
    EXPECT_EQ(ReadFileText(std::string("/opt/viewkeeper/") + name), ReadFileText(std::string(BIN_DIR) + "/" + name))
        << name;
    EXPECT_EQ(fs::status(std::string("/opt/viewkeeper/") + name).permissions() & fs::perms::all, fs::perms(0755));
  }
  std::string unit = ReadFileText("/etc/systemd/system/viewkeeper.service");
  EXPECT_NE(unit.find("\nExecStart=\"/opt/viewkeeper/deskagent\"\n"), std::string::npos) << unit;
  EXPECT_NE(unit.find("Description=ViewKeeper service\n"), std::string::npos) << unit;
  EXPECT_TRUE(fs::is_symlink("/etc/systemd/system/multi-user.target.wants/viewkeeper.service"));
  EXPECT_TRUE(AgentRunning());
  // No staging folder is left in the login's home folder.
  for (const auto& e : fs::directory_iterator("/root"))
    EXPECT_EQ(e.path().filename().string().find(".CVL_TMP_SHARE_"), std::string::npos);

  status = Run("status --json 127.0.0.1");
  EXPECT_EQ(status.out,
            "{\"results\":[{\"host\":\"127.0.0.1\",\"ok\":true,\"code\":0,\"state\":\"Running\",\"log\":[],\"notes\":[]"
            "}]}\n");

  Outcome stop = Run("stop 127.0.0.1");
  ASSERT_EQ(stop.exitStatus, 0) << stop.err;
  EXPECT_FALSE(AgentRunning());
  EXPECT_EQ(Run("status 127.0.0.1").out, "127.0.0.1: Stopped\n");
  // The first stop saves the settings, and they stay through the upgrade.
  ASSERT_TRUE(fs::exists("/opt/viewkeeper/Settings.dat"));
  std::string settings = ReadFileText("/opt/viewkeeper/Settings.dat");

  ASSERT_EQ(Run("start 127.0.0.1").exitStatus, 0);
  EXPECT_TRUE(AgentRunning());
  std::string firstPid = AgentPid();

  // An upgrade needs the published build; the same build asks first.
  PublishDisplayName("ViewKeeper Service ((44185,1114))");
  Outcome declined = Run("upgrade 127.0.0.1");
  EXPECT_EQ(declined.exitStatus, 0) << declined.err;
  EXPECT_EQ(AgentPid(), firstPid);
  Outcome upgrade = Run("upgrade --json --yes 127.0.0.1");
  ASSERT_EQ(upgrade.exitStatus, 0) << upgrade.out << upgrade.err;
  EXPECT_NE(
      upgrade.out.find(
          "is of the same version (1114). Do you want to reinstall the ViewKeeper service? [answered Yes by --yes]"),
      std::string::npos)
      << upgrade.out;
  EXPECT_TRUE(AgentRunning());
  EXPECT_NE(AgentPid(), firstPid);
  EXPECT_EQ(ReadFileText("/opt/viewkeeper/Settings.dat"), settings);

  Outcome remove = Run("remove 127.0.0.1");
  ASSERT_EQ(remove.exitStatus, 0) << remove.err;
  EXPECT_FALSE(AgentRunning());
  EXPECT_TRUE(Entries("/opt").empty());
  EXPECT_TRUE(Entries("/etc/systemd/system").empty());
  EXPECT_TRUE(Entries("/var/lib").empty());
  EXPECT_EQ(Run("status 127.0.0.1").out, "127.0.0.1: not installed\n");
  EXPECT_EQ(Run("remove 127.0.0.1").exitStatus, 0);  // nothing to remove is success
}

TEST_F(VkctlEndToEnd, SettingsTravelOverRpcThroughTheForwardAndSurviveAnUpgrade) {
  ASSERT_EQ(Run("install 127.0.0.1").exitStatus, 0);
  // The agent reports running once its configuration interface listens and
  // its port is published.
  if (!fs::exists("/etc/systemd/system/viewkeeper.service.d/display-name.conf")) {
    GTEST_SKIP() << "this deskagent does not start its configuration RPC listener";
  }
  Outcome get = Run("settings get 127.0.0.1");
  ASSERT_EQ(get.exitStatus, 0) << get.err;
  EXPECT_NE(get.out.find("screen.compressionLevel=6\n"), std::string::npos) << get.out;
  EXPECT_NE(ReadFileText("/etc/systemd/system/viewkeeper.service.d/display-name.conf")
                .find("Description=ViewKeeper Service ((44185,1114))"),
            std::string::npos);

  Outcome set = Run("settings set 127.0.0.1 screen.compressionLevel=9 connection.updatePort=48390");
  ASSERT_EQ(set.exitStatus, 0) << set.err;
  get = Run("settings get 127.0.0.1");
  EXPECT_NE(get.out.find("screen.compressionLevel=9\n"), std::string::npos) << get.out;
  EXPECT_NE(get.out.find("connection.updatePort=48390\n"), std::string::npos) << get.out;
  VkRegisterSettingsClasses();
  cVkServiceSettings saved;
  ASSERT_EQ(saved.LoadFromFile(u"/opt/viewkeeper/Settings.dat"), 0);
  EXPECT_EQ(saved.GetScreen()->compressionLevel, 9);

  Outcome security = Run("security get --json 127.0.0.1");
  ASSERT_EQ(security.exitStatus, 0) << security.err;
  EXPECT_NE(security.out.find("\"administrators\":"), std::string::npos) << security.out;
  Outcome bad = Run("settings set 127.0.0.1 screen.compressionLevel=12");
  EXPECT_EQ(bad.exitStatus, 1);
  EXPECT_NE(bad.err.find("must be a number from 0 to 9"), std::string::npos) << bad.err;

  ASSERT_EQ(Run("upgrade --yes 127.0.0.1").exitStatus, 0);
  get = Run("settings get 127.0.0.1");
  EXPECT_NE(get.out.find("screen.compressionLevel=9\n"), std::string::npos) << get.out << get.err;
  ASSERT_EQ(Run("remove 127.0.0.1").exitStatus, 0);
  EXPECT_TRUE(Entries("/opt").empty());
  EXPECT_TRUE(Entries("/etc/systemd/system").empty());
}

TEST_F(VkctlEndToEnd, AgentWithUnresolvedLibrariesIsNotInstalledAndLeavesNothing) {
  // A program that needs a library the target lacks.
  std::string folder = sshd_->Folder() + "/lonely";
  fs::create_directories(folder);
  WriteText(folder + "/lib.c", "int vk_missing(void) { return 1; }\n");
  WriteText(folder + "/main.c", "int vk_missing(void);\nint main(void) { return vk_missing(); }\n");
  ASSERT_EQ(vk::testing::RunShell("cd " + folder +
                                  " && cc -shared -fPIC -o libvkmissing.so lib.c && cc -o deskagent main.c "
                                  "-L. -lvkmissing && rm libvkmissing.so"),
            0);
  fs::copy_file(std::string(BIN_DIR) + "/viewkeeper.service", folder + "/viewkeeper.service");
  WriteText(folder + "/viewkeeper-agent.files", "deskagent\n");
  Outcome install = Run("install 127.0.0.1", "--files " + folder);
  EXPECT_EQ(install.exitStatus, 1);
  EXPECT_NE(install.err.find("it lacks the shared libraries libvkmissing.so. Install the Debian packages that provide "
                             "them (unknown)"),
            std::string::npos)
      << install.err;
  EXPECT_NE(install.err.find("Errorcode 126."), std::string::npos);
  EXPECT_TRUE(Entries("/opt").empty());
  EXPECT_FALSE(fs::exists("/etc/systemd/system/viewkeeper.service"));
}

TEST_F(VkctlEndToEnd, RelativeDirectoryFailsBeforeAnythingIsCopied) {
  fs::remove("/run/vk-systemctl/calls");
  Outcome install = Run("install --directory opt/viewkeeper 127.0.0.1");
  EXPECT_EQ(install.exitStatus, 1);
  EXPECT_NE(install.err.find("The installation directory 'opt/viewkeeper' is invalid. Errorcode -1."),
            std::string::npos)
      << install.err;
  EXPECT_TRUE(Entries("/opt").empty());
  std::string calls = ReadFileText("/run/vk-systemctl/calls");
  EXPECT_EQ(calls.find("enable"), std::string::npos);
}

TEST_F(VkctlEndToEnd, HostKeysAreCheckedAsSshChecksThem) {
  WriteText(KnownHosts(), "");
  Outcome unknown = Run("status 127.0.0.1");
  EXPECT_EQ(unknown.exitStatus, 1);
  EXPECT_NE(unknown.err.find("Host key verification failed"), std::string::npos) << unknown.err;
  EXPECT_NE(unknown.err.find("Errorcode 1397."), std::string::npos) << unknown.err;
  EXPECT_EQ(ReadFileText(KnownHosts()), "");

  Outcome accepted = Run("status --accept-new-host-keys 127.0.0.1");
  EXPECT_EQ(accepted.exitStatus, 0) << accepted.err;
  EXPECT_NE(ReadFileText(KnownHosts()).find(sshd_->HostKey().publicLine.substr(0, 40)), std::string::npos);

  vk::testing::TestKey other = vk::testing::MakeKey(sshd_->Folder() + "/other_key");
  WriteText(KnownHosts(), "\n" + sshd_->KnownHostsLine(other.publicLine) + "\n");
  Outcome changed = Run("status --accept-new-host-keys 127.0.0.1");
  EXPECT_EQ(changed.exitStatus, 1);
  EXPECT_NE(changed.err.find("has changed"), std::string::npos) << changed.err;
  EXPECT_NE(changed.err.find(KnownHosts() + " line 2"), std::string::npos) << changed.err;
}

TEST_F(VkctlEndToEnd, BuildCheckRefusesOtherBuildsWithoutAnUpgrade) {
  ASSERT_EQ(Run("install 127.0.0.1").exitStatus, 0);
  PublishDisplayName("ViewKeeper Service ((44185,1113))");
  Outcome older = Run("settings get 127.0.0.1");
  EXPECT_EQ(older.exitStatus, 1);
  EXPECT_NE(older.err.find("The service is of the wrong version (Service build: 1113, Client build 1114). "
                           "Automatically upgrading the service was aborted."),
            std::string::npos)
      << older.err;
  EXPECT_NE(older.err.find("Errorcode -3."), std::string::npos);

  PublishDisplayName("ViewKeeper Service ((44185,1115))");
  Outcome newer = Run("settings get --json --yes 127.0.0.1");
  EXPECT_EQ(newer.exitStatus, 1);
  EXPECT_NE(newer.out.find("is of a higher version than this client. Service build: 1115, Client build 1114. Please "
                           "use the installer to upgrade this client."),
            std::string::npos)
      << newer.out;
  EXPECT_NE(newer.out.find("\"code\":-3"), std::string::npos);
  ASSERT_EQ(Run("remove 127.0.0.1").exitStatus, 0);
}

TEST_F(VkctlEndToEnd, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Run("status").exitStatus, 2);
  EXPECT_EQ(Run("frobnicate host").exitStatus, 2);
  EXPECT_EQ(Run("settings set 127.0.0.1").exitStatus, 2);
  EXPECT_EQ(Run("status --parallel 0 127.0.0.1").exitStatus, 2);
}

}  // namespace
