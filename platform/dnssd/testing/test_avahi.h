// Test support: an avahi-daemon of the test's own. The test process enters
// private mount and network namespaces (its own /run, loopback and one veth
// pair, the only multicast link), starts a dbus-daemon as its system bus
// (DBUS_SYSTEM_BUS_ADDRESS of the process names it) and the daemon on it.
// Other hosts' services are announced by avahi-publish, as another program
// on the network would. One instance serves every case of a test program.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dnssd/dnssd.h"
#include "platform/testing/child_process.h"
#include "platform/testing/private_bus.h"

namespace vk::dnssd::testing {

// A TXT value of a found service, or "<missing>".
inline std::u16string Txt(const DnsSdService& service, const std::u16string& key) {
  const std::u16string* value = FindTxt(service, key);
  return value != nullptr ? *value : u"<missing>";
}

class TestAvahi {
 public:
  // The one instance of this process, started on first use.
  static TestAvahi& Shared();

  // False (with the reason in Failure()) when namespaces cannot be entered
  // here (not root) or a daemon did not come up: the test skips.
  bool Running() const { return failure_.empty(); }
  const std::string& Failure() const { return failure_; }
  // The daemon's own host name, without ".local".
  static constexpr const char* kHostName = "vkdnshost";

  struct Service {
    std::string name;
    std::string type;
    int port = 0;
    std::string host;  // empty: the daemon's own host
    std::vector<std::string> txt;
  };
  // Announces the services (each until Withdraw of its name), all at once;
  // waits until the daemon has established every one.
  bool Publish(const std::vector<Service>& services);
  void Withdraw(const std::string& name);
  // Announces `domain` as a browse domain of the local network.
  bool AnnounceBrowseDomain(const std::string& domain);
  // Stops the daemon and starts it again (what other programs announced
  // through it is gone then).
  bool RestartDaemon();

 private:
  TestAvahi();
  ~TestAvahi();
  bool StartDaemon();
  void StopDaemon();

  std::string folder_;
  std::string failure_;
  std::unique_ptr<vk::testing::PrivateBus> bus_;
  std::unique_ptr<vk::testing::ChildProcess> daemon_;
  std::map<std::string, std::unique_ptr<vk::testing::ChildProcess>> published_;
  struct DomainRecords;
  std::unique_ptr<DomainRecords> domains_;
};

}  // namespace vk::dnssd::testing
