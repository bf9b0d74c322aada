#include "platform/ssh/ssh_session.h"

#include <algorithm>
#include <chrono>

#include "platform/core/error_codes.h"
#include "platform/core/text.h"
#include "platform/core/worker_thread.h"
#include "platform/ssh/ssh_errors.h"
#include "platform/ssh/ssh_session_impl.h"

namespace vk::ssh {
namespace {

void Wipe(std::string& secret) {
  std::fill(secret.begin(), secret.end(), '\0');
  secret.clear();
}

// Options of the target over those of the config file, as ssh applies them.
int32_t ApplyOptions(SshSession::Impl& impl, const SshTarget& target) {
  ssh_session s = impl.session;
  int off = 0;
  int on = 1;
  ssh_options_set(s, SSH_OPTIONS_PROCESS_CONFIG, &off);
  if (ssh_options_set(s, SSH_OPTIONS_HOST, target.host.c_str()) != SSH_OK) {
    return impl.FailSsh(ERROR_INVALID_PARAMETER, "Invalid host name");
  }
  if (target.configFile != "none") {
    const char* file = target.configFile.empty() ? nullptr : target.configFile.c_str();
    // A missing config file is no error, as for ssh.
    ssh_options_parse_config(s, file);
  }
  if (!target.user.empty()) ssh_options_set(s, SSH_OPTIONS_USER, target.user.c_str());
  if (target.port != 0) {
    unsigned int port = static_cast<unsigned int>(target.port);
    ssh_options_set(s, SSH_OPTIONS_PORT, &port);
  }
  for (const std::string& key : target.identityFiles) ssh_options_set(s, SSH_OPTIONS_ADD_IDENTITY, key.c_str());
  if (!target.knownHostsFile.empty()) ssh_options_set(s, SSH_OPTIONS_KNOWNHOSTS, target.knownHostsFile.c_str());
  long timeout = target.connectTimeoutSeconds;
  ssh_options_set(s, SSH_OPTIONS_TIMEOUT, &timeout);
  // Without it every round trip waits for the delayed ACK.
  ssh_options_set(s, SSH_OPTIONS_NODELAY, &on);
  char* value = nullptr;
  if (ssh_options_get(s, SSH_OPTIONS_USER, &value) == SSH_OK) {
    impl.user = value;
    ssh_string_free_char(value);
  }
  if (ssh_options_get(s, SSH_OPTIONS_HOST, &value) == SSH_OK) {
    impl.host = value;
    ssh_string_free_char(value);
  }
  return 0;
}

// How often a cancellable connect looks at its cancel event.
constexpr auto kCancelCheck = std::chrono::milliseconds(10);

int32_t ConnectFailed(SshSession::Impl& impl, int32_t code, const std::string& detail) {
  return impl.Fail(code, FromUtf8("ssh: connect to host " + impl.host + ": " + detail));
}

// The outcome of ssh_connect: 0, or the failure libssh reports.
int32_t ConnectResult(SshSession::Impl& impl, int rc) {
  if (rc == SSH_OK) return 0;
  const std::string detail = ssh_get_error(impl.session);
  return ConnectFailed(impl, CodeFromConnectError(detail), detail);
}

// ssh_connect in libssh's non-blocking mode, so that `cancel` can end the
// wait for a computer that takes the connection and never answers (or
// drops it unanswered); the target's connect timeout still holds.
int32_t ConnectCancellable(SshSession::Impl& impl, long timeoutSeconds, const ManualResetEvent& cancel) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  ssh_set_blocking(impl.session, 0);
  int rc = SSH_AGAIN;
  while ((rc = ssh_connect(impl.session)) == SSH_AGAIN) {
    if (cancel.WaitFor(kCancelCheck)) return ConnectFailed(impl, ERROR_CANCELLED, "cancelled");
    if (std::chrono::steady_clock::now() >= deadline)
      return ConnectFailed(impl, WSAETIMEDOUT, "Timeout connecting to " + impl.host);
  }
  ssh_set_blocking(impl.session, 1);
  return ConnectResult(impl, rc);
}

}  // namespace

SshSession::Impl::~Impl() { Close(); }

void SshSession::Impl::Close() {
  if (sftp != nullptr) sftp_free(sftp);
  sftp = nullptr;
  if (session != nullptr) {
    if (connected) ssh_disconnect(session);
    ssh_free(session);
  }
  session = nullptr;
  connected = false;
  Wipe(password);
}

int32_t SshSession::Impl::Fail(int32_t code, std::u16string text) {
  error = MakeError(code, std::move(text));
  return code;
}

int32_t SshSession::Impl::FailSsh(int32_t code, std::string_view what) {
  std::string text(what);
  const char* detail = session != nullptr ? ssh_get_error(session) : "";
  if (detail != nullptr && *detail != '\0') text += std::string(": ") + detail;
  return Fail(code, FromUtf8(text));
}

int32_t SshSession::Impl::FailSftp(std::string_view what, const std::string& path) {
  int status = sftp != nullptr ? sftp_get_error(sftp) : SSH_FX_CONNECTION_LOST;
  int32_t code = CodeFromSftpStatus(status);
  std::string text = std::string(what) + " '" + path + "' failed (SFTP status " + std::to_string(status) + ")";
  return Fail(code == 0 ? ERROR_GEN_FAILURE : code, FromUtf8(text));
}

SshSession::SshSession() : impl_(std::make_unique<Impl>()) {}
SshSession::~SshSession() = default;

int32_t SshSession::Connect(const SshTarget& target, HostKeyQuestion* question, const ManualResetEvent* cancel) {
  impl_->Close();
  impl_->error = {};
  impl_->session = ssh_new();
  if (impl_->session == nullptr) return impl_->Fail(ERROR_NOT_ENOUGH_MEMORY, u"Out of memory for an SSH session");
  if (int32_t rc = ApplyOptions(*impl_, target); rc != 0) return rc;
  const int32_t connected = cancel != nullptr ? ConnectCancellable(*impl_, target.connectTimeoutSeconds, *cancel)
                                              : ConnectResult(*impl_, ssh_connect(impl_->session));
  if (connected != 0) return connected;
  impl_->connected = true;
  if (int32_t rc = VerifyHostKey(*impl_, target.knownHostsFile, question); rc != 0) return rc;
  if (int32_t rc = Authenticate(*impl_, target); rc != 0) return rc;
  impl_->password = target.password;
  impl_->privilege = impl_->user == "root" ? PrivilegeMode::Root : PrivilegeMode::Unknown;
  return 0;
}

bool SshSession::IsConnected() const { return impl_->connected && ssh_is_connected(impl_->session) != 0; }
const SshError& SshSession::LastError() const { return impl_->error; }
const std::string& SshSession::User() const { return impl_->user; }
const std::string& SshSession::Host() const { return impl_->host; }

std::string ShellQuote(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

}  // namespace vk::ssh
