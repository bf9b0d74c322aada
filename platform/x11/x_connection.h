// X connections of the agent never end the process: protocol errors
// are ignored (each caller checks what it needs), and a lost server marks the
// connection as lost instead of exiting.
// Every connection is opened and closed here.
#pragma once

#include <string>

struct _XDisplay;

namespace vk::x11 {

// The display the agent serves now (display_target.h); null when it serves none.
_XDisplay* OpenDisplay();
// Opens `name` (":N") with the given authorization instead of the one that
// XAUTHORITY names (the agent serves displays of other users).
_XDisplay* OpenDisplay(const std::string& name, const std::string& authName, const std::string& authData);
void CloseDisplay(_XDisplay* display);
bool DisplayLost(_XDisplay* display);

}  // namespace vk::x11
