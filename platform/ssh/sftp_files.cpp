// File operations of a session over SFTP.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include <vector>

#include "platform/core/error_codes.h"
#include "platform/ssh/ssh_errors.h"
#include "platform/ssh/ssh_session_impl.h"

namespace vk::ssh {
namespace {

constexpr size_t kChunk = 32768;

struct FileGuard {
  sftp_file file;
  ~FileGuard() {
    if (file != nullptr) sftp_close(file);
  }
};

struct LocalFile {
  int fd;
  ~LocalFile() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

int32_t SshSession::Impl::OpenSftp() {
  if (sftp != nullptr) return 0;
  if (!connected) return Fail(WSAENOTCONN, u"The SSH session is not connected");
  sftp = sftp_new(session);
  if (sftp == nullptr) return FailSsh(WSAECONNRESET, "Could not open the SFTP channel");
  if (sftp_init(sftp) != SSH_OK) {
    sftp_free(sftp);
    sftp = nullptr;
    return FailSsh(ERROR_NOT_SUPPORTED, "The server offers no SFTP subsystem");
  }
  return 0;
}

int32_t SshSession::Impl::WriteAll(sftp_file file, std::span<const uint8_t> bytes, const std::string& remotePath) {
  while (!bytes.empty()) {
    size_t n = std::min(bytes.size(), kChunk);
    ssize_t written = sftp_write(file, bytes.data(), n);
    if (written <= 0) return FailSftp("Writing", remotePath);
    bytes = bytes.subspan(static_cast<size_t>(written));
  }
  return 0;
}

// Closes a remote file the caller's guard held; the close is where a full disk shows.
int32_t SshSession::Impl::CloseRemote(sftp_file& file, const std::string& remotePath) {
  int rc = sftp_close(file);
  file = nullptr;
  if (rc != SSH_OK) return FailSftp("Closing", remotePath);
  return 0;
}

int32_t SshSession::HomeFolder(std::string& path) {
  if (int32_t rc = impl_->OpenSftp(); rc != 0) return rc;
  char* real = sftp_canonicalize_path(impl_->sftp, ".");
  if (real == nullptr) return impl_->FailSftp("Resolving the home folder", ".");
  path = real;
  ssh_string_free_char(real);
  return 0;
}

int32_t SshSession::Exists(const std::string& path, bool* exists) {
  *exists = false;
  if (int32_t rc = impl_->OpenSftp(); rc != 0) return rc;
  sftp_attributes attributes = sftp_lstat(impl_->sftp, path.c_str());
  if (attributes != nullptr) {
    sftp_attributes_free(attributes);
    *exists = true;
    return 0;
  }
  int status = sftp_get_error(impl_->sftp);
  if (status == SSH_FX_NO_SUCH_FILE || status == SSH_FX_NO_SUCH_PATH) return 0;
  return impl_->FailSftp("Looking up", path);
}

int32_t SshSession::MakeFolder(const std::string& path, uint32_t mode) {
  if (int32_t rc = impl_->OpenSftp(); rc != 0) return rc;
  if (sftp_mkdir(impl_->sftp, path.c_str(), mode) == SSH_OK) return 0;
  // Servers of protocol 3 answer a plain failure for an existing name.
  int32_t code = impl_->FailSftp("Creating the folder", path);
  SshError failure = impl_->error;
  bool exists = false;
  if (Exists(path, &exists) == 0 && exists) return ERROR_ALREADY_EXISTS;
  impl_->error = failure;
  return code;
}

int32_t SshSession::PutBytes(std::span<const uint8_t> bytes, const std::string& remotePath, uint32_t mode) {
  if (int32_t rc = impl_->OpenSftp(); rc != 0) return rc;
  FileGuard guard{sftp_open(impl_->sftp, remotePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode)};
  if (guard.file == nullptr) return impl_->FailSftp("Opening", remotePath);
  if (int32_t rc = impl_->WriteAll(guard.file, bytes, remotePath); rc != 0) return rc;
  return impl_->CloseRemote(guard.file, remotePath);
}

// Streams the file in chunks: agent binaries are tens of megabytes, and reading
// them whole (or byte by byte through a stream iterator) costs far more than
// the transfer itself.
int32_t SshSession::PutFile(const std::string& localPath, const std::string& remotePath, uint32_t mode) {
  LocalFile local{::open(localPath.c_str(), O_RDONLY | O_CLOEXEC)};
  if (local.fd < 0) return impl_->Fail(ERROR_FILE_NOT_FOUND, u"The local file cannot be read");
  if (int32_t rc = impl_->OpenSftp(); rc != 0) return rc;
  FileGuard guard{sftp_open(impl_->sftp, remotePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode)};
  if (guard.file == nullptr) return impl_->FailSftp("Opening", remotePath);
  std::vector<uint8_t> chunk(kChunk);
  for (;;) {
    ssize_t n = ::read(local.fd, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return impl_->Fail(ERROR_READ_FAULT, u"The local file cannot be read");
    if (n == 0) break;
    std::span<const uint8_t> piece(chunk.data(), static_cast<size_t>(n));
    if (int32_t rc = impl_->WriteAll(guard.file, piece, remotePath); rc != 0) return rc;
  }
  return impl_->CloseRemote(guard.file, remotePath);
}

int32_t SshSession::RemoveFile(const std::string& path) {
  if (int32_t rc = impl_->OpenSftp(); rc != 0) return rc;
  if (sftp_unlink(impl_->sftp, path.c_str()) == SSH_OK) return 0;
  return impl_->FailSftp("Removing the file", path);
}

int32_t SshSession::RemoveFolder(const std::string& path) {
  if (int32_t rc = impl_->OpenSftp(); rc != 0) return rc;
  if (sftp_rmdir(impl_->sftp, path.c_str()) == SSH_OK) return 0;
  return impl_->FailSftp("Removing the folder", path);
}

int32_t SshSession::FreeSpace(const std::string& path, uint64_t* bytes) {
  *bytes = 0;
  if (int32_t rc = impl_->OpenSftp(); rc != 0) return rc;
  if (sftp_extension_supported(impl_->sftp, "statvfs@openssh.com", "2") == 0) {
    return impl_->Fail(ERROR_NOT_SUPPORTED, u"The SFTP server cannot report free space (no statvfs extension)");
  }
  sftp_statvfs_t info = sftp_statvfs(impl_->sftp, path.c_str());
  if (info == nullptr) return impl_->FailSftp("Reading the free space of", path);
  *bytes = info->f_bavail * info->f_frsize;
  sftp_statvfs_free(info);
  return 0;
}

}  // namespace vk::ssh
