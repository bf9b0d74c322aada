#include "platform/xtest/x_errors.h"

#include <mutex>

namespace vk {
namespace {

int IgnoreProtocolError(Display*, XErrorEvent*) {
  // A request that failed (a keysym the server refuses, a window that went
  // away) must not end the agent; the next request goes on.
  return 0;
}

}  // namespace

Display* OpenXDisplay(const std::string& displayName) {
  static std::once_flag once;
  std::call_once(once, [] {
    XInitThreads();
    XSetErrorHandler(IgnoreProtocolError);
  });
  return XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
}

}  // namespace vk
