// Opening X connections whose protocol errors are logged away instead of
// ending the process (Xlib's default).
#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <string>

namespace vk {

// XOpenDisplay of the display named (empty: the one the agent serves,
// platform/x11/display_target.h), after installing the
// process's tolerant error handler once. Null when the display is not there.
// When the connection breaks (the X server went away), *broken is set and the
// process goes on (Xlib would end it); the caller then closes the display.
Display* OpenXDisplay(const std::string& displayName, std::atomic<bool>* broken = nullptr);

}  // namespace vk
