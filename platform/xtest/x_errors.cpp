#include "platform/xtest/x_errors.h"

#include <mutex>

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

}  // namespace

Display* OpenXDisplay(const std::string& displayName, std::atomic<bool>* broken) {
  static std::once_flag once;
  std::call_once(once, [] {
    XInitThreads();
    XSetErrorHandler(IgnoreProtocolError);
    XSetIOErrorHandler(NoteLostConnection);
  });
  Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
  // A lost server must not end the agent: Xlib's exit is replaced by a note.
  if (display) XSetIOErrorExitHandler(display, MarkBroken, broken);
  return display;
}

}  // namespace vk
