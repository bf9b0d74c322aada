#include "platform/datagram/datagram_channel.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/error_codes.h"

namespace vk {

DatagramChannel::DatagramChannel() : wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

DatagramChannel::~DatagramChannel() {
  Close();
  if (wakeFd_ >= 0) close(wakeFd_);
}

int32_t DatagramChannel::Create() {
  if (fd_ >= 0) return 0;
  if (wakeFd_ < 0) return WSAEMFILE;
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  return fd_ < 0 ? WinsockFromErrno(errno) : 0;
}

int32_t DatagramChannel::Open(uint16_t port, uint32_t bindAddress) {
  int32_t code = Create();
  return code != 0 ? code : Bind(port, bindAddress);
}

int32_t DatagramChannel::Bind(uint16_t port, uint32_t bindAddress) {
  if (fd_ < 0) return WSAENOTSOCK;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = bindAddress;
  if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return WinsockFromErrno(errno);
  return 0;
}

int32_t DatagramChannel::Close() {
  int32_t result = 0;
  if (fd_ >= 0 && close(fd_) != 0) result = WinsockFromErrno(errno);
  fd_ = -1;
  return result;
}

uint16_t DatagramChannel::LocalPort() const {
  if (fd_ < 0) return 0;
  sockaddr_in address{};
  socklen_t size = sizeof address;
  if (getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) return 0;
  return ntohs(address.sin_port);
}

int32_t DatagramChannel::Wait(bool& readable) {
  readable = false;
  if (fd_ < 0) return WSAENOTSOCK;
  pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
  for (;;) {
    int n = poll(fds, 2, -1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return WinsockFromErrno(errno);
    break;
  }
  if (fds[1].revents != 0) return 0;  // interrupted
  if (fds[0].revents & POLLNVAL) return WSAENOTSOCK;
  // POLLERR (an ICMP error of an earlier send) is cleared by the receive.
  readable = true;
  return 0;
}

int32_t DatagramChannel::ReceiveOne(std::span<uint8_t> buffer, size_t& length, uint32_t& sender) {
  length = 0;
  sender = 0;
  if (fd_ < 0) return WSAENOTSOCK;
  sockaddr_in from{};
  socklen_t fromSize = sizeof from;
  for (;;) {
    // MSG_TRUNC answers the datagram's real length even when it was cut.
    ssize_t n = recvfrom(fd_, buffer.data(), buffer.size(), MSG_TRUNC | MSG_DONTWAIT,
                         reinterpret_cast<sockaddr*>(&from), &fromSize);
    if (n >= 0) {
      length = static_cast<size_t>(n);
      sender = from.sin_family == AF_INET ? from.sin_addr.s_addr : 0;
      return 0;
    }
    if (errno == EINTR) continue;
    // Nothing there after all, or an ICMP error of an earlier send: no datagram.
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ECONNREFUSED) return 0;
    return WinsockFromErrno(errno);
  }
}

int32_t DatagramChannel::SendTo(uint32_t address, uint16_t port, std::span<const uint8_t> bytes) {
  if (fd_ < 0) return WSAENOTSOCK;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = address;
  ssize_t n = sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  return n < 0 ? WinsockFromErrno(errno) : 0;
}

void DatagramChannel::Interrupt() {
  if (wakeFd_ < 0) return;
  uint64_t one = 1;
  [[maybe_unused]] ssize_t n = write(wakeFd_, &one, sizeof one);
}

uint32_t ParseIpv4(const char* dotted) {
  in_addr address{};
  if (!dotted || inet_pton(AF_INET, dotted, &address) != 1) return 0;
  return address.s_addr;
}

}  // namespace vk
