// The session that seat0 shows, as logind describes it.
#pragma once

#include <cstdint>
#include <string>

struct sd_bus;

namespace vk::logind {

struct LoginSession {
  std::string id;            // empty: the seat shows no session
  std::string type;          // "x11", "wayland", "tty", "mir", "unspecified"
  std::string sessionClass;  // "greeter", "user", "lock-screen", ...
  std::string display;       // X display (":0"), empty without one
  uint32_t uid = 0;
  std::string user;
  uint32_t leader = 0;  // process id of the session's leader

  bool operator==(const LoginSession&) const = default;
  bool Empty() const { return id.empty(); }
  bool IsX11() const { return type == "x11" && !display.empty(); }
  bool IsWayland() const { return type == "wayland"; }
  bool IsGreeter() const { return sessionClass == "greeter"; }
};

// Reads seat0's active session; 0 with an empty session when the seat shows
// none (a text console that logind does not track, the boot before the
// display manager), else a Win32-numbered code.
int32_t ReadActiveSession(sd_bus* bus, LoginSession* session);

}  // namespace vk::logind
