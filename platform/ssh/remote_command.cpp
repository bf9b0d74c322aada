// Remote commands over an exec channel, and their root-rights forms.
#include <array>

#include "platform/core/error_codes.h"
#include "platform/ssh/ssh_errors.h"
#include "platform/ssh/ssh_session_impl.h"

namespace vk::ssh {
namespace {

// Longest output a command may return; more is a fault of the command.
constexpr size_t kOutputCap = 4u * 1024u * 1024u;
constexpr int kReadTimeoutMs = 120000;

struct ChannelGuard {
  ssh_channel channel;
  ~ChannelGuard() {
    if (channel == nullptr) return;
    ssh_channel_close(channel);
    ssh_channel_free(channel);
  }
};

int32_t WriteAll(ssh_channel channel, std::string_view input) {
  while (!input.empty()) {
    int n = ssh_channel_write(channel, input.data(), static_cast<uint32_t>(input.size()));
    if (n <= 0) return WSAECONNRESET;
    input.remove_prefix(static_cast<size_t>(n));
  }
  return 0;
}

// Reads standard output and standard error until both have ended.
int32_t ReadOutputs(ssh_channel channel, CommandResult& result) {
  std::array<char, 16384> buffer;
  while (ssh_channel_is_eof(channel) == 0) {
    bool any = false;
    for (int isStderr = 0; isStderr < 2; ++isStderr) {
      int n = ssh_channel_read_timeout(channel, buffer.data(), buffer.size(), isStderr, isStderr ? 0 : kReadTimeoutMs);
      if (n == SSH_ERROR) return WSAECONNRESET;
      if (n <= 0) continue;
      any = true;
      std::string& target = isStderr ? result.err : result.out;
      if (target.size() + static_cast<size_t>(n) > kOutputCap) return ERROR_BUFFER_OVERFLOW;
      target.append(buffer.data(), static_cast<size_t>(n));
    }
    if (!any && ssh_channel_is_open(channel) == 0) break;
  }
  for (int isStderr = 0; isStderr < 2; ++isStderr) {
    int n;
    while ((n = ssh_channel_read_nonblocking(channel, buffer.data(), buffer.size(), isStderr)) > 0) {
      (isStderr ? result.err : result.out).append(buffer.data(), static_cast<size_t>(n));
    }
  }
  return 0;
}

bool NeedsPassword(const CommandResult& result) {
  return result.exitStatus != 0 && result.err.find("password is required") != std::string::npos;
}

}  // namespace

int32_t SshSession::Run(const std::string& command, std::string_view input, CommandResult& result) {
  result = CommandResult{};
  if (!impl_->connected) return impl_->Fail(WSAENOTCONN, u"The SSH session is not connected");
  ChannelGuard guard{ssh_channel_new(impl_->session)};
  if (guard.channel == nullptr || ssh_channel_open_session(guard.channel) != SSH_OK) {
    return impl_->FailSsh(WSAECONNRESET, "Could not open an SSH channel");
  }
  if (ssh_channel_request_exec(guard.channel, command.c_str()) != SSH_OK) {
    return impl_->FailSsh(WSAECONNRESET, "Could not run a remote command");
  }
  if (int32_t rc = WriteAll(guard.channel, input); rc != 0) return impl_->FailSsh(rc, "Remote command input lost");
  ssh_channel_send_eof(guard.channel);
  if (int32_t rc = ReadOutputs(guard.channel, result); rc != 0) {
    return impl_->FailSsh(rc, "Remote command output lost");
  }
  result.exitStatus = ssh_channel_get_exit_status(guard.channel);
  return 0;
}

int32_t SshSession::RunPrivileged(const std::string& command, CommandResult& result) {
  Impl& impl = *impl_;
  if (impl.privilege == PrivilegeMode::Root) return Run(command, {}, result);
  std::string wrapped = " -- sh -c " + ShellQuote(command);
  if (impl.privilege != PrivilegeMode::SudoPassword) {
    if (int32_t rc = Run("sudo -n" + wrapped, {}, result); rc != 0) return rc;
    if (!NeedsPassword(result)) {
      if (result.exitStatus == 0) impl.privilege = PrivilegeMode::SudoNoPassword;
      return 0;
    }
    if (impl.password.empty()) {
      return impl.Fail(ERROR_ACCESS_DENIED, u"Root rights are needed: sudo asks for a password and none was given");
    }
  }
  // The password goes to sudo on its standard input only.
  std::string input = impl.password + "\n";
  int32_t rc = Run("sudo -S -p ''" + wrapped, input, result);
  std::fill(input.begin(), input.end(), '\0');
  if (rc != 0) return rc;
  if (result.err.find("incorrect password") != std::string::npos ||
      result.err.find("Sorry, try again") != std::string::npos) {
    return impl.Fail(ERROR_ACCESS_DENIED, u"sudo refused the password");
  }
  impl.privilege = PrivilegeMode::SudoPassword;
  return 0;
}

}  // namespace vk::ssh
