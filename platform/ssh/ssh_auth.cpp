// Logging in the way ssh does: ssh-agent and the user's keys, then a password.
#include <cstring>

#include "platform/core/text.h"
#include "platform/ssh/ssh_errors.h"
#include "platform/ssh/ssh_session_impl.h"

namespace vk::ssh {
namespace {

bool TryKeys(ssh_session s) { return ssh_userauth_publickey_auto(s, nullptr, nullptr) == SSH_AUTH_SUCCESS; }

bool TryPassword(ssh_session s, const std::string& password) {
  return ssh_userauth_password(s, nullptr, password.c_str()) == SSH_AUTH_SUCCESS;
}

// Keyboard-interactive with the password as the answer to every hidden prompt.
bool TryKeyboardInteractive(ssh_session s, const std::string& password) {
  int rc = ssh_userauth_kbdint(s, nullptr, nullptr);
  for (int round = 0; rc == SSH_AUTH_INFO && round < 4; ++round) {
    int prompts = ssh_userauth_kbdint_getnprompts(s);
    for (int i = 0; i < prompts; ++i) {
      char echo = 0;
      ssh_userauth_kbdint_getprompt(s, static_cast<unsigned>(i), &echo);
      if (echo != 0) return false;
      if (ssh_userauth_kbdint_setanswer(s, static_cast<unsigned>(i), password.c_str()) < 0) return false;
    }
    rc = ssh_userauth_kbdint(s, nullptr, nullptr);
  }
  return rc == SSH_AUTH_SUCCESS;
}

}  // namespace

int32_t Authenticate(SshSession::Impl& impl, const SshTarget& target) {
  ssh_session s = impl.session;
  if (ssh_userauth_none(s, nullptr) == SSH_AUTH_SUCCESS) return 0;
  int methods = ssh_userauth_list(s, nullptr);
  if ((methods & SSH_AUTH_METHOD_PUBLICKEY) != 0 && TryKeys(s)) return 0;
  if (!target.password.empty()) {
    if ((methods & SSH_AUTH_METHOD_PASSWORD) != 0 && TryPassword(s, target.password)) return 0;
    if ((methods & SSH_AUTH_METHOD_INTERACTIVE) != 0 && TryKeyboardInteractive(s, target.password)) return 0;
  }
  if (ssh_is_connected(s) == 0) return impl.FailSsh(10054, "Connection closed during login");
  return impl.Fail(kLoginFailure, FromUtf8(impl.user + "@" + impl.host + ": ") + PermissionDeniedText(methods));
}

}  // namespace vk::ssh
