#include "platform/rpc/tcp_stream.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/error_codes.h"

namespace vk::rpc {
namespace {

int32_t LastError() { return vk::WinsockFromErrno(errno); }

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return sa;
}

void SetNoDelay(int fd) {
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

}  // namespace

TcpStream::TcpStream(int fd) : fd_(fd) {}

TcpStream::~TcpStream() {
  if (fd_ >= 0) close(fd_);
}

void TcpStream::StartMessage() { deadline_ = std::chrono::steady_clock::now() + timeout_; }

void TcpStream::Shutdown() { shutdown(fd_, SHUT_RDWR); }

void TcpStream::ShutdownReceive() { shutdown(fd_, SHUT_RD); }

// Waits until the socket is ready for `events` within the time-out.
int32_t TcpStream::WaitReady(short events) {
  if (timeout_.count() == 0) return 0;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
    if (left.count() <= 0) return WSAETIMEDOUT;
    pollfd pfd{fd_, events, 0};
    int n = poll(&pfd, 1, static_cast<int>(left.count()));
    if (n > 0) return 0;
    if (n < 0 && errno != EINTR) return LastError();
  }
}

int32_t TcpStream::Send(std::span<const uint8_t> bytes) {
  if (timeout_.count() != 0) deadline_ = std::chrono::steady_clock::now() + timeout_;
  size_t done = 0;
  while (done < bytes.size()) {
    if (int32_t code = WaitReady(POLLOUT)) return code;
    ssize_t n = send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return LastError();
    done += static_cast<size_t>(n);
  }
  return 0;
}

int32_t TcpStream::Receive(std::span<uint8_t> buffer, size_t* received) {
  *received = 0;
  for (;;) {
    if (int32_t code = WaitReady(POLLIN)) return code;
    ssize_t n = recv(fd_, buffer.data(), buffer.size(), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return LastError();
    if (n == 0) return kVkRpcPeerClosed;
    *received = static_cast<size_t>(n);
    return 0;
  }
}

int32_t ConnectLoopback(uint16_t port, std::unique_ptr<TcpStream>* stream) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return LastError();
  sockaddr_in sa = Loopback(port);
  while (connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    if (errno == EINTR) continue;
    int32_t code = LastError();
    close(fd);
    return code;
  }
  SetNoDelay(fd);
  *stream = std::make_unique<TcpStream>(fd);
  return 0;
}

TcpListener::TcpListener() : wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TcpListener::~TcpListener() {
  Close();
  if (wakeFd_ >= 0) close(wakeFd_);
}

int32_t TcpListener::Listen(uint16_t port, int backlog) {
  if (port == 0) return RPC_S_CANT_CREATE_ENDPOINT;
  Close();
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return LastError();
  // A restarted agent takes its port back at once from connections in TIME_WAIT.
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in sa = Loopback(port);
  if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || listen(fd, backlog) != 0) {
    int err = errno;
    close(fd);
    return err == EADDRINUSE ? RPC_S_DUPLICATE_ENDPOINT : vk::WinsockFromErrno(err);
  }
  fd_ = fd;
  port_ = port;
  return 0;
}

int32_t TcpListener::Accept(std::unique_ptr<TcpStream>* stream) {
  if (fd_ < 0 || wakeFd_ < 0) return ERROR_OPERATION_ABORTED;
  for (;;) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    int n = poll(fds, 2, -1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return LastError();
    if (fds[1].revents != 0) return ERROR_OPERATION_ABORTED;
    int fd = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      // A connection that went away between poll and accept is no failure.
      if (errno == EINTR || errno == ECONNABORTED || errno == EAGAIN) continue;
      return LastError();
    }
    SetNoDelay(fd);
    *stream = std::make_unique<TcpStream>(fd);
    return 0;
  }
}

void TcpListener::Wake() {
  if (wakeFd_ < 0) return;
  uint64_t one = 1;
  [[maybe_unused]] ssize_t n = write(wakeFd_, &one, sizeof one);
}

void TcpListener::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  port_ = 0;
}

}  // namespace vk::rpc
