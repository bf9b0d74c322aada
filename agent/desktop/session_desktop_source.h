// The desktops of seat0 as logind shows them. The active session is the
// input desktop: "Winlogon" while it is the login screen (a greeter),
// "Default" while it is a user's session (or no graphical session at all).
// Each logind session is a desktop of its own, even under the same name.
//
// The display the agent serves follows the active session at once (on the
// watcher's thread): an X11 session's display with the cookie of that X
// server's own authority, or no display for a text console, a Wayland
// session or no session. The desktop manager sees the switch at its next
// check and moves the hooks and the capture.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "agent/desktop/desktop_source.h"
#include "platform/logind/login_session.h"
#include "platform/logind/session_watcher.h"

class cVkSessionDesktopSource final : public iVkDesktopSource {
 public:
  // `busAddress` empty: the system bus.
  explicit cVkSessionDesktopSource(std::string busAddress = {});
  ~cVkSessionDesktopSource() override;
  cVkSessionDesktopSource(const cVkSessionDesktopSource&) = delete;
  cVkSessionDesktopSource& operator=(const cVkSessionDesktopSource&) = delete;

  uint64_t ThreadDesktop() override { return kOwnDesktop; }
  int32_t OpenDesktop(std::u16string_view name, uint32_t access, uint64_t& handle) override;
  int32_t OpenInputDesktop(uint32_t access, uint64_t& handle) override;
  int32_t DesktopName(uint64_t handle, std::u16string& name) override;
  uint64_t DesktopScope(uint64_t handle) override;
  bool ShowsWayland(uint64_t handle) override;
  // 0, or why the session's display cannot be served (no authority for it).
  int32_t SetThreadDesktop(uint64_t handle) override;
  int32_t CloseDesktop(uint64_t handle) override;

 private:
  static constexpr uint64_t kOwnDesktop = 1;
  static constexpr uint64_t kWinlogonDesktop = 2;
  struct OpenDesktopRecord {
    vk::logind::LoginSession session;
    uint64_t scope = 0;
  };

  void Follow();
  void SessionChanged(const vk::logind::LoginSession& session);
  uint64_t ScopeOf(const std::string& sessionId);

  const std::string busAddress_;
  std::mutex lock_;  // guards everything below
  vk::logind::LoginSession active_;
  int32_t activeResult_ = 0;  // of serving the active session's display
  std::map<uint64_t, OpenDesktopRecord> open_;
  std::map<std::string, uint64_t> scopes_;
  uint64_t nextHandle_ = 3;
  std::unique_ptr<vk::logind::SessionWatcher> watcher_;
};
