#include "platform/xtest/x_errors.h"

#include <mutex>

#include "platform/x11/display_target.h"
#include "platform/x11/x_connection.h"

namespace vk {
namespace {

int IgnoreProtocolError(Display*, XErrorEvent*) {
  // A request that failed (a keysym the server refuses, a window that went
  // away) must not end the agent; the next request goes on.
  return 0;
}

int NoteLostConnection(Display*) { return 0; }

void MarkBroken(Display*, void* broken) {
  if (broken) static_cast<std::atomic<bool>*>(broken)->store(true);
}

// The display the agent serves, with its own server's cookie when set.
Display* OpenServedDisplay() {
  const x11::DisplayTarget target = x11::CurrentDisplayTarget();
  if (target.kind == x11::DisplayTarget::Kind::NoDisplay) return nullptr;
  if (target.kind == x11::DisplayTarget::Kind::FromEnvironment) return XOpenDisplay(nullptr);
  return x11::OpenDisplay(target.name, target.cookie.name, target.cookie.data);
}

}  // namespace

Display* OpenXDisplay(const std::string& displayName, std::atomic<bool>* broken) {
  static std::once_flag once;
  std::call_once(once, [] {
    XInitThreads();
    XSetErrorHandler(IgnoreProtocolError);
    XSetIOErrorHandler(NoteLostConnection);
  });
  Display* display = displayName.empty() ? OpenServedDisplay() : XOpenDisplay(displayName.c_str());
  // A lost server must not end the agent: Xlib's exit is replaced by a note.
  if (display) XSetIOErrorExitHandler(display, MarkBroken, broken);
  return display;
}

}  // namespace vk
