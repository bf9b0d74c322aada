// The state behind an SshSession, shared by the files that implement it.
#pragma once

#include <libssh/libssh.h>
#include <libssh/sftp.h>

#include <span>
#include <string>

#include "platform/ssh/ssh_session.h"

namespace vk::ssh {

enum class PrivilegeMode { Unknown, Root, SudoNoPassword, SudoPassword };

struct SshSession::Impl {
  ssh_session session = nullptr;
  sftp_session sftp = nullptr;
  bool connected = false;
  std::string user;
  std::string host;
  std::string password;  // for sudo -S; wiped when the session ends
  PrivilegeMode privilege = PrivilegeMode::Unknown;
  SshError error;

  ~Impl();
  int32_t Fail(int32_t code, std::u16string text);
  int32_t FailSsh(int32_t code, std::string_view what);
  int32_t FailSftp(std::string_view what, const std::string& path);
  int32_t OpenSftp();
  int32_t WriteAll(sftp_file file, std::span<const uint8_t> bytes, const std::string& remotePath);
  int32_t CloseRemote(sftp_file& file, const std::string& remotePath);
  void Close();
};

// Checks the server's key against the known-hosts file (asking about an
// unknown one). 0 or kHostKeyFailure with the reason in impl.error.
int32_t VerifyHostKey(SshSession::Impl& impl, const std::string& knownHostsFile, HostKeyQuestion* question);

// Logs in: none, ssh-agent and keys, then the password. 0 or kLoginFailure.
int32_t Authenticate(SshSession::Impl& impl, const SshTarget& target);

}  // namespace vk::ssh
