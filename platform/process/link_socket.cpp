#include "platform/process/link_socket.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/error_codes.h"

namespace vk {

int32_t LinkSend(int fd, const std::vector<uint8_t>& bytes) {
  ssize_t sent = 0;
  while ((sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT)) < 0 && errno == EINTR) {
  }
  if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return ERROR_BUSY;
  if (sent < 0) return errno == EPIPE || errno == ECONNRESET ? ERROR_BROKEN_PIPE : Win32FromErrno(errno);
  return static_cast<size_t>(sent) == bytes.size() ? 0 : ERROR_BUSY;
}

int32_t LinkReceive(int fd, uint8_t* buffer, size_t capacity, size_t* got) {
  *got = 0;
  ssize_t n = 0;
  while ((n = recv(fd, buffer, capacity, 0)) < 0 && errno == EINTR) {
  }
  if (n < 0) return errno == ECONNRESET ? 0 : Win32FromErrno(errno);
  *got = static_cast<size_t>(n);
  return 0;
}

void LinkShutdown(int fd) { shutdown(fd, SHUT_RDWR); }

}  // namespace vk
