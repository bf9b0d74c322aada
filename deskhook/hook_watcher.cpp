#include "deskhook/hook_watcher.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

#include "platform/x11/x_connection.h"
#include "platform/core/error_codes.h"

namespace deskhook {

HookWatcher::~HookWatcher() { Stop(); }

int32_t HookWatcher::Start() {
  display_ = vk::x11::OpenDisplay();
  if (!display_) return ERROR_NOT_READY;
  int error = 0;
  if (!XDamageQueryExtension(display_, &damageEvent_, &error) ||
      !XFixesQueryExtension(display_, &fixesEvent_, &error) || !XRRQueryExtension(display_, &randrEvent_, &error)) {
    vk::x11::CloseDisplay(display_);
    display_ = nullptr;
    return ERROR_NOT_SUPPORTED;
  }
  // Both extensions serve a client only after it has stated its version.
  int major = 6, minor = 0;
  XFixesQueryVersion(display_, &major, &minor);
  major = 1;
  minor = 1;
  XDamageQueryVersion(display_, &major, &minor);
  major = 1;
  minor = 5;
  XRRQueryVersion(display_, &major, &minor);
  stopFd_ = eventfd(0, EFD_CLOEXEC);
  if (stopFd_ < 0) {
    const int32_t code = vk::Win32FromErrno(errno);
    vk::x11::CloseDisplay(display_);
    display_ = nullptr;
    return code;
  }
  const Window root = DefaultRootWindow(display_);
  // A new damage object first reports the whole screen; the agent captures it
  // anyway when a session starts, so the first report costs nothing extra.
  damage_ = XDamageCreate(display_, root, XDamageReportNonEmpty);
  region_ = XFixesCreateRegion(display_, nullptr, 0);
  XRRSelectInput(display_, root, RRScreenChangeNotifyMask);
  XFixesSelectCursorInput(display_, root, XFixesDisplayCursorNotifyMask);
  XFlush(display_);
  thread_ = std::thread([this] { Run(); });
  return 0;
}

void HookWatcher::Stop() {
  if (thread_.joinable()) {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(stopFd_, &one, sizeof one);
    thread_.join();
  }
  if (display_ && !vk::x11::DisplayLost(display_)) {
    XDamageDestroy(display_, damage_);
    XFixesDestroyRegion(display_, region_);
  }
  if (display_) vk::x11::CloseDisplay(display_);
  display_ = nullptr;
  if (stopFd_ >= 0) close(stopFd_);
  stopFd_ = -1;
}

void HookWatcher::Run() {
  pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {stopFd_, POLLIN, 0}};
  for (;;) {
    HandlePendingEvents();
    if (vk::x11::DisplayLost(display_)) return;
    // Fetching the damage region reads the connection: events that arrived
    // meanwhile wait in Xlib's queue, where poll() cannot see them.
    if (XPending(display_) > 0) continue;
    fds[0].revents = fds[1].revents = 0;
    if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
    if (fds[1].revents) return;
    if (fds[0].revents & (POLLHUP | POLLERR)) return;
  }
}

void HookWatcher::HandlePendingEvents() {
  bool damaged = false;
  bool cursorChanged = false;
  bool displayChanged = false;
  while (!vk::x11::DisplayLost(display_) && XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == damageEvent_ + XDamageNotify) {
      damaged = true;
    } else if (event.type == fixesEvent_ + XFixesCursorNotify) {
      cursorChanged = true;
    } else if (event.type == randrEvent_ + RRScreenChangeNotify) {
      XRRUpdateConfiguration(&event);
      displayChanged = true;
    }
  }
  if (vk::x11::DisplayLost(display_)) return;
  if (displayChanged) window_->Post(messages_.displayChange, 0, 0);
  if (damaged) PostDamage();
  if (cursorChanged) window_->Post(messages_.mouseMove, 0, 0);
}

// Takes the damage gathered so far (the server merges bursts into a region)
// and posts its rectangles.
void HookWatcher::PostDamage() {
  XDamageSubtract(display_, damage_, None, region_);
  int count = 0;
  XRectangle* rects = XFixesFetchRegion(display_, region_, &count);
  for (int i = 0; i < count; ++i) {
    const uint64_t left = static_cast<uint16_t>(rects[i].x);
    const uint64_t top = static_cast<uint16_t>(rects[i].y);
    const int64_t right = static_cast<uint16_t>(rects[i].x + rects[i].width);
    const int64_t bottom = static_cast<uint16_t>(rects[i].y + rects[i].height);
    window_->Post(messages_.update, left | top << 16, right | bottom << 16);
  }
  if (rects) XFree(rects);
}

}  // namespace deskhook
