// Test support: a private D-Bus daemon with a stand-in for systemd's
// manager on it, both started by the test and stopped with it. The real
// system bus is never touched: DBUS_SYSTEM_BUS_ADDRESS names the private one.
#pragma once

#include <stdlib.h>

#include <memory>
#include <string>

#include "platform/testing/child_process.h"

namespace vk::testing {

class PrivateSystemd {
 public:
  // `folder`: a temporary folder of the test; `fail`: Reload is refused.
  PrivateSystemd(const std::string& folder, bool fail) : record_(folder + "/reloads") {
    address_ = "unix:path=" + folder + "/bus";
    bus_ = std::make_unique<ChildProcess>(
        "/usr/bin/dbus-daemon", std::map<std::string, std::string>{}, "",
        std::vector<std::string>{"--session", "--nofork", "--nopidfile", "--address=" + address_, "--print-address=2"});
    if (!bus_->ReadStderrUntil("unix:path=")) return;
    std::vector<std::string> args{kFakeSystemd, address_, record_};
    if (fail) args.push_back("fail");
    manager_ = std::make_unique<ChildProcess>("/usr/bin/python3", std::map<std::string, std::string>{}, "", args);
    ready_ = manager_->ReadStderrUntil("ready");
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
  }
  ~PrivateSystemd() { unsetenv("DBUS_SYSTEM_BUS_ADDRESS"); }

  bool Ready() const { return ready_; }
  const std::string& Address() const { return address_; }
  // How often Reload was answered.
  size_t Reloads() const {
    std::string text = ReadFileText(record_);
    size_t count = 0;
    for (size_t at = text.find("Reload"); at != std::string::npos; at = text.find("Reload", at + 1)) ++count;
    return count;
  }

 private:
  static constexpr const char* kFakeSystemd = FAKE_SYSTEMD_PATH;
  std::string address_;
  std::string record_;
  std::unique_ptr<ChildProcess> bus_;
  std::unique_ptr<ChildProcess> manager_;
  bool ready_ = false;
};

}  // namespace vk::testing
