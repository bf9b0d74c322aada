// Test support: an MIT Kerberos KDC of the test's own: a realm whose
// database is made in a temporary folder (kdb5_util), principals and
// keytabs made with kadmin.local, and krb5kdc answering on 127.0.0.1 over
// TCP. Clients use ConfigFile() as KRB5_CONFIG; it names no other KDC, looks
// nothing up in DNS and keeps host names as written.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/testing/child_process.h"
#include "platform/testing/loopback_listener.h"

namespace vk::testing {

class KdcServer {
 public:
  explicit KdcServer(const std::string& realm) : realm_(realm) {
    char pattern[] = "/tmp/vk-kdc-XXXXXX";
    folder_ = mkdtemp(pattern);
    port_ = FreeLoopbackPort();
    WriteConfiguration();
    environment_ = {{"KRB5_CONFIG", ConfigFile()},
                    {"KRB5_KDC_PROFILE", folder_ + "/kdc.conf"},
                    {"KRB5CCNAME", "FILE:" + folder_ + "/tools.ccache"},
                    {"LD_PRELOAD", ""}};
    if (!Run("/usr/sbin/kdb5_util", {"create", "-s", "-r", realm_, "-P", "vk-master-key"})) return;
    server_ = std::make_unique<ChildProcess>("/usr/sbin/krb5kdc", environment_, folder_ + "/krb5kdc.err",
                                             std::vector<std::string>{"-n", "-r", realm_});
    running_ = server_->Started() && WaitForListener(port_, *server_, std::chrono::seconds(20));
  }
  ~KdcServer() {
    if (server_) {
      server_->Signal(SIGTERM);
      server_->Wait(std::chrono::seconds(10));
    }
    std::filesystem::remove_all(folder_);
  }
  KdcServer(const KdcServer&) = delete;
  KdcServer& operator=(const KdcServer&) = delete;

  bool Running() const { return running_; }
  const std::string& Realm() const { return realm_; }
  const std::string& Folder() const { return folder_; }
  std::string ConfigFile() const { return folder_ + "/krb5.conf"; }
  std::string Diagnostics() const {
    return ReadFileText(folder_ + "/tools.err") + ReadFileText(folder_ + "/krb5kdc.err");
  }

  // Adds `principal` (without the realm) with a random key and writes its
  // keys into `keytab` (made when missing).
  bool AddPrincipal(const std::string& principal, const std::string& keytab) {
    return Admin("addprinc -randkey " + principal) && Admin("ktadd -k " + keytab + " " + principal);
  }
  // Asks the KDC for the initial ticket of `principal` with its keys from
  // `keytab`, into the credentials cache `cache` ("FILE:..."); `lifetime`
  // as kinit's -l takes it ("1s", "10h"), empty for the realm's default.
  bool ObtainTicket(const std::string& principal, const std::string& keytab, const std::string& cache,
                    const std::string& lifetime = "") {
    std::vector<std::string> arguments = {"-k", "-t", keytab, "-c", cache};
    if (!lifetime.empty()) arguments.insert(arguments.end(), {"-l", lifetime});
    arguments.push_back(principal + "@" + realm_);
    return Run("/usr/bin/kinit", arguments);
  }

 private:
  void WriteConfiguration() {
    const std::string kdc = "127.0.0.1:" + std::to_string(port_);
    std::ofstream(ConfigFile()) << "[libdefaults]\n default_realm = " << realm_
                                << "\n dns_lookup_realm = false\n dns_lookup_kdc = false\n rdns = false\n"
                                   " dns_canonicalize_hostname = false\n udp_preference_limit = 1\n"
                                   "[realms]\n "
                                << realm_ << " = {\n  kdc = " << kdc << "\n }\n";
    std::ofstream(folder_ + "/kdc.conf") << "[kdcdefaults]\n kdc_listen = " << kdc << "\n kdc_tcp_listen = " << kdc
                                         << "\n[realms]\n " << realm_ << " = {\n  database_name = " << folder_
                                         << "/principal\n  key_stash_file = " << folder_
                                         << "/stash\n  kdc_listen = " << kdc << "\n  kdc_tcp_listen = " << kdc
                                         << "\n }\n[dbmodules]\n " << realm_ << " = {\n  database_name = " << folder_
                                         << "/principal\n }\n";
  }
  bool Admin(const std::string& query) { return Run("/usr/sbin/kadmin.local", {"-r", realm_, "-q", query}); }
  bool Run(const std::string& program, const std::vector<std::string>& args) {
    // Through a shell that sends the tool's chatter on standard output away.
    std::vector<std::string> shellArgs{"-c", "exec \"$0\" \"$@\" >/dev/null", program};
    shellArgs.insert(shellArgs.end(), args.begin(), args.end());
    ChildProcess tool("/bin/sh", environment_, folder_ + "/tool.err", shellArgs);
    bool done = tool.Started() && tool.Wait() == 0;
    std::ofstream(folder_ + "/tools.err", std::ios::app) << ReadFileText(folder_ + "/tool.err");
    return done;
  }

  std::string realm_;
  std::string folder_;
  int port_ = 0;
  bool running_ = false;
  std::map<std::string, std::string> environment_;
  std::unique_ptr<ChildProcess> server_;
};

}  // namespace vk::testing
