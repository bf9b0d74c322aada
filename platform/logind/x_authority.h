// Where the X authority of a session's display is: the -auth file of the X
// server that listens on the display's socket, else XAUTHORITY from the
// session leader's environment, else the user's ~/.Xauthority. Access is
// never widened (no xhost).
//
// The agent is root and the session's user is not trusted: a file is taken
// only when it is a regular file owned by the session's user, or owned by
// root and named by an X server that itself runs as root.
#pragma once

#include <string>

#include "platform/logind/login_session.h"

namespace vk::logind {

// The path, or empty when no acceptable file was found.
std::string FindXAuthority(const LoginSession& session);

// The display number of ":N" or ":N.S" (host names are not local
// displays), or -1.
int DisplayNumber(const std::string& display);

// The variable NAME of the session leader's environment, or empty.
std::string LeaderVariable(const LoginSession& session, const std::string& name);
// A regular file (a link is not followed) owned by `owner`.
bool OwnedFile(const std::string& path, uint32_t owner);
// The account's home folder from NSS, or empty.
std::string UserHome(uint32_t uid);

}  // namespace vk::logind
