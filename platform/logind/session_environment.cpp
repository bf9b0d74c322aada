#include "platform/logind/session_environment.h"

#include <pwd.h>

#include "platform/logind/x_authority.h"

namespace vk::logind {
namespace {

std::string UserName(uint32_t uid) {
  passwd entry{};
  passwd* found = nullptr;
  std::vector<char> buffer(16384);
  getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
  return found && found->pw_name ? std::string(found->pw_name) : std::string();
}

// The leader's value when it has one, else the fallback.
std::string FromLeader(const LoginSession& session, const std::string& name, const std::string& fallback) {
  std::string value = LeaderVariable(session, name);
  return value.empty() ? fallback : value;
}

}  // namespace

std::vector<std::string> SessionEnvironment(const LoginSession& session) {
  const std::string user = UserName(session.uid);
  if (user.empty()) return {};
  const std::string home = UserHome(session.uid);
  const std::string runtime = "/run/user/" + std::to_string(session.uid);
  std::vector<std::string> env{
      "DISPLAY=" + session.display,
      "HOME=" + home,
      "USER=" + user,
      "LOGNAME=" + user,
      "PATH=/usr/local/bin:/usr/bin:/bin",
      "XDG_SESSION_ID=" + session.id,
      "XDG_RUNTIME_DIR=" + FromLeader(session, "XDG_RUNTIME_DIR", runtime),
      "DBUS_SESSION_BUS_ADDRESS=" + FromLeader(session, "DBUS_SESSION_BUS_ADDRESS", "unix:path=" + runtime + "/bus"),
  };
  // The program runs as the user: only a file the user owns is of use (and
  // naming another would tell the user where root keeps its cookies).
  std::string authority = LeaderVariable(session, "XAUTHORITY");
  if (!OwnedFile(authority, session.uid)) authority = FindXAuthority(session);
  if (!authority.empty() && OwnedFile(authority, session.uid)) env.push_back("XAUTHORITY=" + authority);
  return env;
}

}  // namespace vk::logind
