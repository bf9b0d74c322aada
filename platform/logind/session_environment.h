// The environment of a program started in a user's graphical session (the
// tray helper): what the session's own programs see, taken from the
// session leader, completed with the user's account and logind's defaults.
#pragma once

#include <string>
#include <vector>

#include "platform/logind/login_session.h"

namespace vk::logind {

// "NAME=value" entries: DISPLAY, XAUTHORITY (when one owned by the user is
// known), XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS, HOME, USER, LOGNAME,
// PATH, XDG_SESSION_ID. Empty when the user is unknown.
std::vector<std::string> SessionEnvironment(const LoginSession& session);

}  // namespace vk::logind
