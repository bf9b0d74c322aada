// Test support: a dbus-daemon of the test's own, listening on a socket in a
// folder of the test, with a policy that lets its clients own and call
// anything. Nothing on it reaches the machine's buses.
#pragma once

#include <chrono>
#include <fstream>
#include <memory>
#include <string>

#include "platform/testing/child_process.h"

namespace vk::testing {

class PrivateBus {
 public:
  // `type` is "system" or "session": what the daemon tells its clients.
  PrivateBus(const std::string& folder, const std::string& type) {
    const std::string config = folder + "/bus.conf";
    address_ = "unix:path=" + folder + "/bus";
    std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                             " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                             "<busconfig><type>"
                          << type << "</type><listen>" << address_
                          << "</listen><auth>EXTERNAL</auth>"
                             "<policy context=\"default\"><allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
                             "<allow own=\"*\"/></policy></busconfig>\n";
    // The daemon prints its address once it listens.
    daemon_ = std::make_unique<ChildProcess>(
        "/usr/bin/dbus-daemon", std::map<std::string, std::string>{}, "",
        std::vector<std::string>{"--config-file=" + config, "--nofork", "--nopidfile", "--print-address=2"});
    running_ = daemon_->Started() && daemon_->ReadStderrUntil("\n", std::chrono::seconds(20));
  }
  ~PrivateBus() {
    if (!daemon_) return;
    daemon_->Signal(SIGTERM);
    daemon_->Wait(std::chrono::seconds(10));
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  bool Running() const { return running_; }
  const std::string& Address() const { return address_; }
  std::string Output() const { return daemon_ ? daemon_->StderrText() : std::string(); }

 private:
  std::string address_;
  std::unique_ptr<ChildProcess> daemon_;
  bool running_ = false;
};

}  // namespace vk::testing
