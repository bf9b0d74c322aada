// Opening X connections whose protocol errors are logged away instead of
// ending the process (Xlib's default).
#pragma once

#include <X11/Xlib.h>

#include <string>

namespace vk {

// XOpenDisplay of the display named (empty: $DISPLAY), after installing the
// process's tolerant error handler once. Null when the display is not there.
Display* OpenXDisplay(const std::string& displayName);

}  // namespace vk
