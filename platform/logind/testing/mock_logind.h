// Test support: a stand-in logind on a private bus. A dbus-daemon of its
// own (own config, socket in a temporary folder) and python3-dbusmock's
// logind template on it; nothing reaches the system bus. The controls below
// drive the mock as logind would change: sessions come, go and change.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/logind/logind_bus.h"
#include "platform/testing/child_process.h"

namespace vk::logind::testing {

struct MockSession {
  std::string id;
  uint32_t uid = 0;
  std::string user;
  std::string type = "x11";           // x11, wayland, tty
  std::string sessionClass = "user";  // user, greeter
  std::string display;                // ":N"
  uint32_t leader = 0;                // process id
};

class MockLogind {
 public:
  MockLogind();
  ~MockLogind();
  MockLogind(const MockLogind&) = delete;
  MockLogind& operator=(const MockLogind&) = delete;

  // False (with the reason in Failure()) when python3-dbusmock or
  // dbus-daemon is missing or did not come up.
  bool Running() const { return failure_.empty(); }
  const std::string& Failure() const { return failure_; }
  const std::string& Address() const { return address_; }

  // Adds a session on seat0 (not yet active).
  bool AddSession(const MockSession& session);
  // Makes the session seat0's active one ("" for none), as a switch of the
  // virtual terminal does.
  bool Activate(const std::string& id);
  // The session's object goes away and logind's SessionRemoved is sent.
  bool RemoveSession(const std::string& id);

  // The string argument of each call of a Manager method, in order (empty
  // texts for calls with other arguments).
  std::vector<std::string> Calls(const std::string& method);

 private:
  bool SetString(const std::string& path, const char* name, const std::string& value);
  bool SetUint32(const std::string& path, const char* name, uint32_t value);
  bool WaitForService();

  std::string dir_;
  std::string address_;
  std::string failure_;
  std::unique_ptr<vk::testing::ChildProcess> daemon_;
  std::unique_ptr<vk::testing::ChildProcess> mock_;
  BusPtr bus_;
};

}  // namespace vk::logind::testing
