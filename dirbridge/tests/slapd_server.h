// Test support: a slapd of its own on 127.0.0.1 (a free port, a temporary
// folder, entries loaded with slapadd before it starts).
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/testing/child_process.h"
#include "platform/testing/loopback_listener.h"

namespace vk::testing {

class SlapdServer {
 public:
  // The servers run without the test's preloaded libraries (wrappers, sanitizers).
  static inline const std::map<std::string, std::string> kOwnEnvironment{{"LD_PRELOAD", ""}};

  // `schemaFile` may be empty (the standard schemas only); `extra` goes into
  // slapd.conf before the database. With `ldaps` it also listens for
  // ldaps:// on a port of its own (its certificate comes in `extra`).
  // `environment` is added to the server's (a keytab for SASL GSSAPI).
  SlapdServer(const std::string& suffix, const std::string& ldif, const std::string& schemaFile,
              const std::string& extra = "", bool ldaps = false,
              const std::map<std::string, std::string>& environment = {}) {
    std::map<std::string, std::string> serverEnvironment = kOwnEnvironment;
    serverEnvironment.insert(environment.begin(), environment.end());
    char pattern[] = "/tmp/vk-slapd-XXXXXX";
    folder_ = mkdtemp(pattern);
    std::filesystem::create_directory(folder_ + "/db");
    port_ = FreeLoopbackPort();
    if (ldaps) ldapsPort_ = FreeLoopbackPort();
    std::ofstream conf(folder_ + "/slapd.conf");
    for (const char* s : {"core", "cosine", "nis", "inetorgperson"})
      conf << "include /etc/ldap/schema/" << s << ".schema\n";
    if (!schemaFile.empty()) conf << "include " << schemaFile << "\n";
    conf << "pidfile " << folder_ << "/slapd.pid\nmodulepath /usr/lib/ldap\nmoduleload back_mdb\n"
         << extra << "\ndatabase mdb\nsuffix \"" << suffix << "\"\nrootdn \"cn=admin," << suffix
         << "\"\nrootpw secret\ndirectory " << folder_ << "/db\nmaxsize 10485760\n";
    conf.close();
    std::ofstream(folder_ + "/data.ldif") << ldif;
    ChildProcess load("/usr/sbin/slapadd", kOwnEnvironment, folder_ + "/slapadd.err",
                      {"-f", folder_ + "/slapd.conf", "-l", folder_ + "/data.ldif"});
    loaded_ = load.Started() && load.Wait() == 0;
    if (!loaded_) return;
    // Through exec in a shell so that slapd does not hold the test's output open.
    server_ = std::make_unique<ChildProcess>(
        "/bin/sh", serverEnvironment, folder_ + "/slapd.err",
        std::vector<std::string>{
            "-c", "exec /usr/sbin/slapd -d 0 -h '" + Listeners() + "' -f " + folder_ + "/slapd.conf >/dev/null"});
    running_ = server_->Started() && WaitForListener(port_, *server_, std::chrono::seconds(20));
  }
  ~SlapdServer() {
    if (server_) {
      server_->Signal(SIGCONT);
      server_->Signal(SIGTERM);
      server_->Wait(std::chrono::seconds(10));
    }
    std::filesystem::remove_all(folder_);
  }

  bool Running() const { return loaded_ && running_; }
  int Port() const { return port_; }
  std::string Uri() const { return "ldap://127.0.0.1:" + std::to_string(port_) + "/"; }
  std::string LdapsUri() const { return "ldaps://127.0.0.1:" + std::to_string(ldapsPort_) + "/"; }
  std::string Diagnostics() const {
    return ReadFileText(folder_ + "/slapadd.err") + ReadFileText(folder_ + "/slapd.err");
  }
  // Stops the server answering (its socket stays open); returns once every
  // thread of it has stopped.
  bool Freeze() {
    server_->Signal(SIGSTOP);
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
      if (AllThreadsStopped()) return true;
      server_->Wait(std::chrono::milliseconds(5));
    }
    return false;
  }

 private:
  bool AllThreadsStopped() const {
    const std::string tasks = "/proc/" + std::to_string(server_->Pid()) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
      std::string stat = ReadFileText(task.path().string() + "/stat");
      size_t close = stat.rfind(')');
      if (close == std::string::npos || close + 2 >= stat.size()) return false;
      if (stat[close + 2] != 'T' && stat[close + 2] != 't') return false;
    }
    return !error;
  }
  std::string Listeners() const { return ldapsPort_ != 0 ? Uri() + " " + LdapsUri() : Uri(); }

  std::string folder_;
  int port_ = 0;
  int ldapsPort_ = 0;
  bool loaded_ = false;
  bool running_ = false;
  std::unique_ptr<ChildProcess> server_;
};

}  // namespace vk::testing
