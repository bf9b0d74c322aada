#include "platform/net/socket_calls.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/core/error_codes.h"

namespace vk::net {
namespace {

int Fd(SocketHandle handle) { return static_cast<int>(handle); }

int32_t LastError() { return vk::WinsockFromErrno(errno); }

// Moves a descriptor that is 0 out of the way, so that 0 can mean "none".
int AvoidZero(int fd) {
  if (fd != 0) return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  int saved = errno;
  close(fd);
  errno = saved;
  return moved;
}

sockaddr_in MakeAddress(uint32_t address, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = address;
  return sa;
}

int32_t BindTo(SocketHandle handle, uint32_t address, uint16_t port) {
  sockaddr_in sa = MakeAddress(address, port);
  if (bind(Fd(handle), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return LastError();
  return 0;
}

int32_t SetTimeoutOption(SocketHandle handle, int option, int milliseconds) {
  timeval tv{};
  if (milliseconds > 0) {
    tv.tv_sec = milliseconds / 1000;
    tv.tv_usec = (milliseconds % 1000) * 1000;
  }
  if (setsockopt(Fd(handle), SOL_SOCKET, option, &tv, sizeof tv) != 0) return LastError();
  return 0;
}

int32_t SetRawOption(SocketHandle handle, int level, int option, int value) {
  if (setsockopt(Fd(handle), level, option, &value, sizeof value) != 0) return LastError();
  return 0;
}

}  // namespace

int32_t StartupSockets() { return 0; }
int32_t CleanupSockets() { return 0; }

int32_t OpenSocket(int type, SocketHandle* handle) {
  int kind = type == kStream ? SOCK_STREAM : type == kDatagram ? SOCK_DGRAM : -1;
  if (kind < 0) return WSAESOCKTNOSUPPORT;
  int fd = AvoidZero(socket(AF_INET, kind | SOCK_CLOEXEC, 0));
  if (fd < 0) return LastError();
  *handle = fd;
  return 0;
}

int32_t CloseSocket(SocketHandle handle) {
  if (close(Fd(handle)) != 0) return LastError();
  return 0;
}

int32_t ShutdownSocket(SocketHandle handle) {
  // An unconnected socket answers ENOTCONN but its waiting readers still wake.
  if (shutdown(Fd(handle), SHUT_RDWR) != 0 && errno != ENOTCONN) return LastError();
  return 0;
}

int32_t SetIntOption(SocketHandle handle, int level, int option, int value) {
  if (level == kSolSocket) {
    switch (option) {
      case kSoReuseAddr:
        return SetRawOption(handle, SOL_SOCKET, SO_REUSEADDR, value);
      case kSoKeepAlive:
        return SetRawOption(handle, SOL_SOCKET, SO_KEEPALIVE, value);
      case kSoSndBuf:
        return SetRawOption(handle, SOL_SOCKET, SO_SNDBUF, value);
      case kSoRcvBuf:
        return SetRawOption(handle, SOL_SOCKET, SO_RCVBUF, value);
      case kSoSndTimeo:
        return SetTimeoutOption(handle, SO_SNDTIMEO, value);
      case kSoRcvTimeo:
        return SetTimeoutOption(handle, SO_RCVTIMEO, value);
      case kSoDontLinger: {
        linger off{};
        off.l_onoff = value ? 0 : 1;
        if (setsockopt(Fd(handle), SOL_SOCKET, SO_LINGER, &off, sizeof off) != 0) return LastError();
        return 0;
      }
      default:
        return WSAENOPROTOOPT;
    }
  }
  if (level == kIpProtoTcp && option == kTcpNoDelay) return SetRawOption(handle, IPPROTO_TCP, TCP_NODELAY, value);
  return WSAENOPROTOOPT;
}

int32_t BindAny(SocketHandle handle, uint16_t port) { return BindTo(handle, htonl(INADDR_ANY), port); }

int32_t BindAddress(SocketHandle handle, uint32_t address, uint16_t port) { return BindTo(handle, address, port); }

int32_t ListenMax(SocketHandle handle) {
  // The kernel caps the backlog at somaxconn.
  if (listen(Fd(handle), INT_MAX) != 0) return LastError();
  return 0;
}

int32_t ListenBacklog(SocketHandle handle, int backlog) {
  if (listen(Fd(handle), backlog) != 0) return LastError();
  return 0;
}

int32_t AcceptPeer(SocketHandle handle, SocketHandle* accepted, uint32_t* peerAddress) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  int fd;
  do {
    fd = accept4(Fd(handle), reinterpret_cast<sockaddr*>(&sa), &len, SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return LastError();
  fd = AvoidZero(fd);
  if (fd < 0) return LastError();
  *accepted = fd;
  *peerAddress = sa.sin_family == AF_INET ? sa.sin_addr.s_addr : 0;
  return 0;
}

int32_t ConnectTo(SocketHandle handle, uint32_t address, uint16_t port) {
  sockaddr_in sa = MakeAddress(address, port);
  if (connect(Fd(handle), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return LastError();
  return 0;
}

int32_t LocalPort(SocketHandle handle, uint16_t* port) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (getsockname(Fd(handle), reinterpret_cast<sockaddr*>(&sa), &len) != 0) return LastError();
  *port = ntohs(sa.sin_port);
  return 0;
}

int32_t WaitReadable(SocketHandle handle, int64_t seconds, int64_t microseconds, bool* readable) {
  pollfd p{Fd(handle), POLLIN, 0};
  int64_t ms = seconds * 1000 + (microseconds + 999) / 1000;
  int n = poll(&p, 1, ms > INT_MAX ? INT_MAX : static_cast<int>(ms));
  if (n < 0) return LastError();
  if (n > 0 && (p.revents & POLLNVAL)) return WSAENOTSOCK;
  *readable = n > 0;
  return 0;
}

int32_t WaitAnyReadable(const SocketHandle* handles, size_t count, int timeoutMs, bool* readable) {
  std::vector<pollfd> polled(count);
  for (size_t i = 0; i < count; ++i) polled[i] = pollfd{Fd(handles[i]), POLLIN, 0};
  int n;
  do {
    n = poll(polled.data(), polled.size(), timeoutMs < 0 ? 0 : timeoutMs);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return LastError();
  for (size_t i = 0; i < count; ++i) {
    if (polled[i].revents & POLLNVAL) return WSAENOTSOCK;
    readable[i] = (polled[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
  }
  return 0;
}

int32_t SendSome(SocketHandle handle, const void* bytes, size_t length, size_t* done) {
  ssize_t n;
  do {
    n = send(Fd(handle), bytes, length, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return LastError();
  *done = static_cast<size_t>(n);
  return 0;
}

int32_t RecvSome(SocketHandle handle, void* bytes, size_t length, size_t* done) {
  ssize_t n;
  do {
    n = recv(Fd(handle), bytes, length, 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return LastError();
  *done = static_cast<size_t>(n);
  return 0;
}

int32_t RecvDatagram(SocketHandle handle, void* buffer, size_t capacity, Datagram* datagram) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  ssize_t n;
  do {
    len = sizeof sa;
    n = recvfrom(Fd(handle), buffer, capacity, MSG_TRUNC, reinterpret_cast<sockaddr*>(&sa), &len);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return LastError();
  datagram->datagramLength = static_cast<size_t>(n);
  // A wake-up by shutdown carries no sender; a real datagram always has one.
  datagram->hasSender = len >= sizeof(sockaddr_in) && sa.sin_family == AF_INET;
  datagram->senderAddress = datagram->hasSender ? sa.sin_addr.s_addr : 0;
  datagram->senderPort = datagram->hasSender ? ntohs(sa.sin_port) : 0;
  return 0;
}

int32_t SendDatagram(SocketHandle handle, const void* bytes, size_t length, uint32_t address, uint16_t port) {
  sockaddr_in sa = MakeAddress(address, port);
  ssize_t n;
  do {
    n = sendto(Fd(handle), bytes, length, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return LastError();
  return 0;
}

int32_t ResolveIPv4(std::string_view hostName, uint32_t* address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  std::string name(hostName);
  int rc = getaddrinfo(name.c_str(), nullptr, &hints, &list);
  if (rc != 0) return vk::WinsockFromResolver(rc, errno);
  int32_t result = WSAHOST_NOT_FOUND;
  for (addrinfo* a = list; a; a = a->ai_next) {
    if (a->ai_family != AF_INET || a->ai_addrlen < sizeof(sockaddr_in)) continue;
    *address = reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
    result = 0;
    break;
  }
  freeaddrinfo(list);
  return result;
}

std::string IPv4ToText(uint32_t address) {
  char text[INET_ADDRSTRLEN] = {};
  in_addr in{};
  in.s_addr = address;
  if (!inet_ntop(AF_INET, &in, text, sizeof text)) return {};
  return text;
}

bool IPv4FromText(std::string_view text, uint32_t* address) {
  std::string copy(text);
  in_addr in{};
  if (inet_pton(AF_INET, copy.c_str(), &in) != 1) return false;
  *address = in.s_addr;
  return true;
}

}  // namespace vk::net
