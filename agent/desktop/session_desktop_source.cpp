#include "agent/desktop/session_desktop_source.h"

#include "platform/core/error_codes.h"
#include "platform/logind/x_authority.h"
#include "platform/x11/display_target.h"

using vk::logind::LoginSession;

namespace {

// Serves the session's display with its own server's cookie; 0 or why not.
int32_t ServeDisplayOf(const LoginSession& session) {
  if (!session.IsX11()) {
    vk::x11::SetNoTargetDisplay();
    return 0;
  }
  vk::x11::XCookie cookie;
  const std::string authority = vk::logind::FindXAuthority(session);
  int32_t code = authority.empty()
                     ? ERROR_ACCESS_DENIED
                     : vk::x11::ReadXCookie(authority, vk::logind::DisplayNumber(session.display), &cookie);
  if (code != 0) {
    vk::x11::SetNoTargetDisplay();
    return code;
  }
  vk::x11::SetTargetDisplay(session.display, cookie);
  return 0;
}

}  // namespace

cVkSessionDesktopSource::cVkSessionDesktopSource(std::string busAddress) : busAddress_(std::move(busAddress)) {
  // Until logind answers there is no session, hence no display.
  vk::x11::SetNoTargetDisplay();
  Follow();
}

cVkSessionDesktopSource::~cVkSessionDesktopSource() {
  std::unique_ptr<vk::logind::SessionWatcher> watcher;
  {
    std::lock_guard hold(lock_);
    watcher = std::move(watcher_);
  }
  watcher.reset();  // outside the lock: its thread may be reporting
}

// Starts following the seat unless it already does (logind may come later
// than the agent: each open of the input desktop tries again).
void cVkSessionDesktopSource::Follow() {
  {
    std::lock_guard hold(lock_);
    if (watcher_) return;
  }
  std::unique_ptr<vk::logind::SessionWatcher> watcher;
  if (vk::logind::SessionWatcher::Start(
          busAddress_, [this](const LoginSession& session) { SessionChanged(session); }, &watcher) != 0)
    return;
  std::lock_guard hold(lock_);
  if (!watcher_) watcher_ = std::move(watcher);
}

// On the watcher's thread (and once in Start).
void cVkSessionDesktopSource::SessionChanged(const LoginSession& session) {
  const int32_t result = ServeDisplayOf(session);
  std::lock_guard hold(lock_);
  active_ = session;
  activeResult_ = result;
}

// Under the lock.
uint64_t cVkSessionDesktopSource::ScopeOf(const std::string& sessionId) {
  auto [it, added] = scopes_.try_emplace(sessionId, scopes_.size() + 1);
  return it->second;
}

int32_t cVkSessionDesktopSource::OpenDesktop(std::u16string_view name, uint32_t, uint64_t& handle) {
  if (name != u"Winlogon") return ERROR_FILE_NOT_FOUND;
  handle = kWinlogonDesktop;
  return 0;
}

int32_t cVkSessionDesktopSource::OpenInputDesktop(uint32_t, uint64_t& handle) {
  Follow();
  std::lock_guard hold(lock_);
  handle = nextHandle_++;
  open_[handle] = OpenDesktopRecord{active_, ScopeOf(active_.id)};
  return 0;
}

int32_t cVkSessionDesktopSource::DesktopName(uint64_t handle, std::u16string& name) {
  std::lock_guard hold(lock_);
  if (handle == kWinlogonDesktop) {
    name = u"Winlogon";
    return 0;
  }
  auto it = open_.find(handle);
  if (it == open_.end()) return ERROR_INVALID_HANDLE;
  name = it->second.session.IsGreeter() ? u"Winlogon" : u"Default";
  return 0;
}

uint64_t cVkSessionDesktopSource::DesktopScope(uint64_t handle) {
  std::lock_guard hold(lock_);
  auto it = open_.find(handle);
  return it == open_.end() ? 0 : it->second.scope;
}

bool cVkSessionDesktopSource::ShowsWayland(uint64_t handle) {
  std::lock_guard hold(lock_);
  auto it = open_.find(handle);
  return it != open_.end() && it->second.session.IsWayland();
}

// The display itself is served process-wide as soon as the session becomes
// active; attaching answers whether that worked.
int32_t cVkSessionDesktopSource::SetThreadDesktop(uint64_t handle) {
  std::lock_guard hold(lock_);
  if (handle == kOwnDesktop || handle == kWinlogonDesktop) return 0;
  auto it = open_.find(handle);
  if (it == open_.end()) return ERROR_INVALID_HANDLE;
  return it->second.session.id == active_.id ? activeResult_ : 0;
}

int32_t cVkSessionDesktopSource::CloseDesktop(uint64_t handle) {
  std::lock_guard hold(lock_);
  if (handle == kWinlogonDesktop) return 0;
  return open_.erase(handle) != 0 ? 0 : ERROR_INVALID_HANDLE;
}
