// Test support: the managed computer of the console's end-to-end tests. The
// test process enters private mount and network namespaces where /opt,
// /etc/systemd/system, /var/lib and /usr/local/sbin are empty and systemctl
// is the stand-in that starts and stops the installed deskagent (which sees
// no X server of the machine); an sshd of the test's own on 127.0.0.1 admits
// root with the test's key. One per test program.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/ssh/ssh_target.h"
#include "platform/ssh/testing/test_sshd.h"

namespace vktest {

class AgentHost {
 public:
  // False (the test skips) when namespaces or the sshd are not possible here.
  static bool Start(const char* standinPath) {
    namespace fs = std::filesystem;
    if (!vk::testing::EnterPrivateNamespaces({"/opt", "/etc/systemd/system", "/var/lib", "/usr/local/sbin"}))
      return false;
    // Another test's Xvfb going away cannot end the installed agent.
    if (fs::is_directory("/tmp/.X11-unix")) vk::testing::EnterPrivateNamespaces({"/tmp/.X11-unix"});
    fs::copy_file(standinPath, "/usr/local/sbin/systemctl", fs::copy_options::overwrite_existing);
    unsetenv("SSH_AUTH_SOCK");
    Sshd() = new vk::testing::TestSshd();
    if (!Sshd()->Ready()) return false;
    vk::testing::WriteText(KnownHosts(), Sshd()->KnownHostsLine(Sshd()->HostKey().publicLine) + "\n");
    return true;
  }
  static void Stop() {
    delete Sshd();
    Sshd() = nullptr;
  }
  static bool Ready() { return Sshd() != nullptr && Sshd()->Ready(); }
  static vk::testing::TestSshd& Server() { return *Sshd(); }
  static std::string KnownHosts() { return Sshd()->Folder() + "/known_hosts"; }
  // How the console reaches the computer: as root, with the test's key.
  static vk::ssh::SshTarget Target() {
    vk::ssh::SshTarget target;
    target.user = "root";
    target.port = Sshd()->Port();
    target.configFile = "none";
    target.knownHostsFile = KnownHosts();
    target.identityFiles = {Sshd()->ClientKey().path};
    return target;
  }

 private:
  static vk::testing::TestSshd*& Sshd() {
    static vk::testing::TestSshd* sshd = nullptr;
    return sshd;
  }
};

}  // namespace vktest
