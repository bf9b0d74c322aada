// The X display the agent serves, for every connection it opens (capture,
// hooks, input replay, cursor and focus questions): by default the one
// DISPLAY names with XAUTHORITY's cookie; once set, the active session's
// display with the cookie of its own X server; or none at all (no graphical
// session, or one that is not X11). Each change counts up a generation, so
// that a holder of a connection can tell that it belongs to a display that
// is no longer served, and opens a new one.
#pragma once

#include <cstdint>
#include <string>

#include "platform/x11/x_authority.h"

namespace vk::x11 {

struct DisplayTarget {
  enum class Kind { FromEnvironment, SessionDisplay, NoDisplay };
  Kind kind = Kind::FromEnvironment;
  std::string name;  // ":N" for Kind::SessionDisplay
  XCookie cookie;
  uint64_t generation = 0;
};

void SetTargetDisplay(const std::string& name, const XCookie& cookie);
void SetNoTargetDisplay();
DisplayTarget CurrentDisplayTarget();
uint64_t DisplayGeneration();

// True when the process was started with a display to serve (DISPLAY set):
// then that display is served, whatever session is active.
bool EnvironmentNamesDisplay();

}  // namespace vk::x11
