// X connections of the agent never end the process: protocol errors
// are ignored (each caller checks what it needs), and a lost server marks the
// connection as lost instead of exiting.
// Every connection is opened and closed here.
#pragma once

struct _XDisplay;

namespace vk::x11 {

_XDisplay* OpenDisplay();
void CloseDisplay(_XDisplay* display);
bool DisplayLost(_XDisplay* display);

}  // namespace vk::x11
