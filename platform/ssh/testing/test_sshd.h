// Test support: an sshd of the test's own on 127.0.0.1, in private mount and
// network namespaces of the test process (so that /run/sshd and any folder a
// test replaces exist for this process and its children only, and nothing
// they open listens on the machine's network).
#pragma once

#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/testing/child_process.h"
#include "platform/testing/loopback_listener.h"

namespace vk::testing {

inline bool BringUpLoopback() {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  ifreq request{};
  std::snprintf(request.ifr_name, sizeof request.ifr_name, "lo");
  bool up = fd >= 0 && ioctl(fd, SIOCGIFFLAGS, &request) == 0;
  request.ifr_flags |= IFF_UP;
  up = up && ioctl(fd, SIOCSIFFLAGS, &request) == 0;
  if (fd >= 0) close(fd);
  return up;
}

// Enters mount and network namespaces of this process (the network with
// its loopback only) with empty tmpfs folders over `folders` (plus /run, for
// sshd's /run/sshd). False when that is not possible here (not root, no
// namespaces): the caller skips.
inline bool EnterPrivateNamespaces(const std::vector<std::string>& folders) {
  static bool entered = false;
  if (!entered) {
    if (geteuid() != 0 || unshare(CLONE_NEWNS | CLONE_NEWNET) != 0 || !BringUpLoopback()) return false;
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    if (mount("tmpfs", "/run", "tmpfs", 0, "mode=0755") != 0) return false;
    if (mkdir("/run/sshd", 0755) != 0) return false;
    // The machine's own ~/.bashrc (which bash reads for every SSH command)
    // is not the test's business and may be slow.
    const char* home = getenv("HOME");
    std::string bashrc = std::string(home != nullptr ? home : "/root") + "/.bashrc";
    if (access(bashrc.c_str(), F_OK) == 0) mount("/dev/null", bashrc.c_str(), nullptr, MS_BIND, nullptr);
    entered = true;
  }
  for (const std::string& folder : folders) {
    if (!std::filesystem::is_directory(folder)) return false;
    if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "mode=0755") != 0) return false;
  }
  return true;
}

inline std::string MakeTempFolder(const std::string& prefix) {
  std::string pattern = "/tmp/" + prefix + "XXXXXX";
  char* made = mkdtemp(pattern.data());
  return made != nullptr ? std::string(made) : std::string();
}

inline int RunShell(const std::string& command) { return std::system(command.c_str()); }

inline void WriteText(const std::string& path, const std::string& text, mode_t mode = 0600) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  chmod(path.c_str(), mode);
}

// A key pair made by ssh-keygen; `publicLine` is the .pub file's line.
struct TestKey {
  std::string path;
  std::string publicLine;
};

inline TestKey MakeKey(const std::string& path) {
  RunShell("ssh-keygen -q -t ed25519 -N '' -C vk-test -f " + path + " >/dev/null");
  std::string line = ReadFileText(path + ".pub");
  while (!line.empty() && line.back() == '\n') line.pop_back();
  return TestKey{path, line};
}

class TestSshd {
 public:
  // `extraConfig` lines go into sshd_config; `env` to the sshd process (for
  // nss_wrapper with the test's accounts).
  explicit TestSshd(const std::string& extraConfig = {}, const std::map<std::string, std::string>& env = {}) {
    folder_ = MakeTempFolder("vk-sshd-");
    hostKey_ = MakeKey(folder_ + "/host_key");
    clientKey_ = MakeKey(folder_ + "/client_key");
    WriteText(folder_ + "/authorized_keys", clientKey_.publicLine + "\n");
    for (int attempt = 0; attempt < 5 && !ready_; ++attempt) StartOnce(extraConfig, env);
  }
  ~TestSshd() {
    if (process_) {
      process_->Signal(SIGTERM);
      process_->Wait();
    }
    std::filesystem::remove_all(folder_);
  }

  bool Ready() const { return ready_; }
  int Port() const { return port_; }
  const std::string& Folder() const { return folder_; }
  const TestKey& ClientKey() const { return clientKey_; }
  const TestKey& HostKey() const { return hostKey_; }
  // The known_hosts line that names this server.
  std::string KnownHostsLine(const std::string& publicLine) const {
    std::string keyPart = publicLine.substr(0, publicLine.rfind(' '));
    return "[127.0.0.1]:" + std::to_string(port_) + " " + keyPart;
  }
  std::string Log() const { return process_ ? process_->StderrText() : std::string(); }

 private:
  void StartOnce(const std::string& extraConfig, const std::map<std::string, std::string>& env) {
    port_ = FreeLoopbackPort();
    std::string config = "ListenAddress 127.0.0.1\nPort " + std::to_string(port_) + "\nHostKey " + hostKey_.path +
                         "\nPidFile " + folder_ + "/sshd.pid\nAuthorizedKeysFile " + folder_ +
                         "/authorized_keys\nStrictModes no\nUsePAM no\nPermitRootLogin yes\n"
                         "AllowTcpForwarding local\nSubsystem sftp internal-sftp\n" +
                         extraConfig;
    WriteText(folder_ + "/sshd_config", config);
    process_ = std::make_unique<ChildProcess>("/usr/sbin/sshd", env, "",
                                              std::vector<std::string>{"-D", "-e", "-f", folder_ + "/sshd_config"});
    ready_ = process_->Started() && process_->ReadStderrUntil("Server listening", std::chrono::seconds(20));
    if (!ready_) {
      process_->Signal(SIGTERM);
      process_->Wait();
    }
  }

  std::string folder_;
  TestKey hostKey_;
  TestKey clientKey_;
  int port_ = -1;
  bool ready_ = false;
  std::unique_ptr<ChildProcess> process_;
};

}  // namespace vk::testing
