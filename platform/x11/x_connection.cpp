#include "platform/x11/x_connection.h"

#include "platform/x11/display_target.h"

#include <X11/Xlib.h>

#include <unistd.h>

#include <mutex>
#include <set>

namespace vk::x11 {
namespace {

std::mutex lostLock;
std::set<Display*> lostDisplays;

int IgnoreError(Display*, XErrorEvent*) { return 0; }
int IgnoreIoError(Display*) { return 0; }

void MarkLost(Display* display, void*) {
  std::lock_guard guard(lostLock);
  lostDisplays.insert(display);
}

// Xlib's authorization override is process-wide: every open takes this
// lock, so an override is seen only by the open that set it.
std::mutex openLock;

Display* OpenWithHandlers(const char* name) {
  static std::once_flag once;
  std::call_once(once, [] {
    XInitThreads();
    XSetErrorHandler(IgnoreError);
    XSetIOErrorHandler(IgnoreIoError);
  });
  Display* display = XOpenDisplay(name);
  if (display) XSetIOErrorExitHandler(display, MarkLost, nullptr);
  return display;
}

}  // namespace

Display* OpenDisplay() {
  const DisplayTarget target = CurrentDisplayTarget();
  if (target.kind == DisplayTarget::Kind::NoDisplay) return nullptr;
  if (target.kind == DisplayTarget::Kind::SessionDisplay)
    return OpenDisplay(target.name, target.cookie.name, target.cookie.data);
  std::lock_guard hold(openLock);
  return OpenWithHandlers(nullptr);
}

Display* OpenDisplay(const std::string& name, const std::string& authName, const std::string& authData) {
  std::lock_guard hold(openLock);
  std::string nameCopy = authName, dataCopy = authData;
  XSetAuthorization(nameCopy.data(), static_cast<int>(nameCopy.size()), dataCopy.data(),
                    static_cast<int>(dataCopy.size()));
  Display* display = OpenWithHandlers(name.c_str());
  XSetAuthorization(nullptr, 0, nullptr, 0);
  return display;
}

void CloseDisplay(Display* display) {
  {
    std::lock_guard guard(lostLock);
    // Xlib cannot close a connection whose server has gone (it waits for
    // replies that never come): only its socket is closed, the rest is left.
    if (lostDisplays.erase(display) != 0) {
      close(ConnectionNumber(display));
      return;
    }
  }
  XCloseDisplay(display);
  // Closing may itself find the server gone; the freed pointer must not stay
  // marked, or a new connection at the same address would count as lost.
  std::lock_guard guard(lostLock);
  lostDisplays.erase(display);
}

bool DisplayLost(Display* display) {
  std::lock_guard guard(lostLock);
  return lostDisplays.count(display) != 0;
}

}  // namespace vk::x11
