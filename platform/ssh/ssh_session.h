// SshSession: one logged-in SSH connection to a computer and what runs over
// it: remote commands (also with root rights), SFTP file operations and a
// forwarded TCP stream.
//
// A session is used by one thread at a time. Every operation answers 0 or a
// Win32-numbered code; LastError() then says what happened in words.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/ssh/ssh_target.h"

namespace vk {
class ManualResetEvent;
}

namespace vk::ssh {

struct CommandResult {
  int exitStatus = -1;
  std::string out;
  std::string err;
};

// A TCP connection made from the remote computer (direct-tcpip), as a byte
// stream. It belongs to its session and must be closed before the session.
class SshStream {
 public:
  virtual ~SshStream() = default;
  // Sends all of `bytes`.
  virtual int32_t Write(std::span<const uint8_t> bytes) = 0;
  // Receives up to bytes.size(); `*received` 0 means the peer closed. Waits at
  // most `timeoutMs` (1460 when nothing came).
  virtual int32_t Read(std::span<uint8_t> bytes, size_t* received, int timeoutMs) = 0;
  // False once the channel closed or the peer ended its side.
  virtual bool IsOpen() const = 0;
};

class SshSession {
 public:
  SshSession();
  ~SshSession();
  SshSession(const SshSession&) = delete;
  SshSession& operator=(const SshSession&) = delete;

  // Connects, checks the host key (asking `question` about an unknown one;
  // without a question an unknown key is refused) and logs in. With
  // `cancel`, setting it ends the wait for a computer that does not answer
  // (ERROR_CANCELLED), as its connect timeout would.
  int32_t Connect(const SshTarget& target, HostKeyQuestion* question, const ManualResetEvent* cancel = nullptr);
  bool IsConnected() const;
  const SshError& LastError() const;
  // The user logged in as, and the host name after the config file.
  const std::string& User() const;
  const std::string& Host() const;

  // Runs `command` through the login shell; `input` goes to its standard
  // input. A command that ran answers 0 whatever its exit status.
  int32_t Run(const std::string& command, std::string_view input, CommandResult& result);
  // Runs `command` with root rights: as is for root, else through `sudo -n`,
  // else through `sudo -S` with the target's password on standard input.
  int32_t RunPrivileged(const std::string& command, CommandResult& result);

  // SFTP.
  int32_t HomeFolder(std::string& path);
  int32_t MakeFolder(const std::string& path, uint32_t mode);  // 183 when it exists
  int32_t PutFile(const std::string& localPath, const std::string& remotePath, uint32_t mode);
  int32_t PutBytes(std::span<const uint8_t> bytes, const std::string& remotePath, uint32_t mode);
  int32_t RemoveFile(const std::string& path);
  int32_t RemoveFolder(const std::string& path);
  int32_t Exists(const std::string& path, bool* exists);
  // Bytes available to the login user on the file system of `path`.
  int32_t FreeSpace(const std::string& path, uint64_t* bytes);

  // A stream to host:port as seen from the remote computer.
  int32_t OpenForward(const std::string& host, int port, std::unique_ptr<SshStream>& stream);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// `text` in single quotes for a POSIX shell.
std::string ShellQuote(std::string_view text);

}  // namespace vk::ssh
