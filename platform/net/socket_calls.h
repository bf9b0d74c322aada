// BSD socket calls in the shape the socket wrapper needs.
//
// Every call answers 0 or a Windows Sockets code (errno mapped through
// vk::WinsockFromErrno), so that callers log the same numbers on every
// platform. A socket handle is a plain integer; 0 never names a socket here
// (a descriptor that happens to be 0 is moved up), so 0 can mean "none".
// Addresses are IPv4 in network byte order, ports in host order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vk::net {

using SocketHandle = intptr_t;

// Socket types as the system numbers them (the same on both platforms).
inline constexpr int kStream = 1;
inline constexpr int kDatagram = 2;

// Option levels and names in their Windows numbering; SetIntOption maps them.
// SO_RCVTIMEO and SO_SNDTIMEO take milliseconds; SO_DONTLINGER 1 turns
// lingering off (SO_LINGER with l_onoff 0).
inline constexpr int kSolSocket = 0xFFFF;
inline constexpr int kIpProtoTcp = 6;
inline constexpr int kSoReuseAddr = 0x0004;
inline constexpr int kSoKeepAlive = 0x0008;
inline constexpr int kSoDontLinger = ~0x0080;
inline constexpr int kSoSndBuf = 0x1001;
inline constexpr int kSoRcvBuf = 0x1002;
inline constexpr int kSoSndTimeo = 0x1005;
inline constexpr int kSoRcvTimeo = 0x1006;
inline constexpr int kTcpNoDelay = 0x0001;

// Process-wide start and clean-up (nothing to do on POSIX but kept as calls).
int32_t StartupSockets();
int32_t CleanupSockets();

int32_t OpenSocket(int type, SocketHandle* handle);
int32_t CloseSocket(SocketHandle handle);
// Ends both directions; wakes a thread blocked in a receive or accept.
int32_t ShutdownSocket(SocketHandle handle);
int32_t SetIntOption(SocketHandle handle, int level, int option, int value);
int32_t BindAny(SocketHandle handle, uint16_t port);
// Binds to one local address (network order), e.g. a loopback address.
int32_t BindAddress(SocketHandle handle, uint32_t address, uint16_t port);
int32_t ListenMax(SocketHandle handle);
// Listens with room for `backlog` connections that wait to be accepted.
int32_t ListenBacklog(SocketHandle handle, int backlog);
int32_t AcceptPeer(SocketHandle handle, SocketHandle* accepted, uint32_t* peerAddress);
int32_t ConnectTo(SocketHandle handle, uint32_t address, uint16_t port);
// Port the socket is bound to (host order).
int32_t LocalPort(SocketHandle handle, uint16_t* port);

// Waits until the socket is readable or the time-out passes.
int32_t WaitReadable(SocketHandle handle, int64_t seconds, int64_t microseconds, bool* readable);
// Waits until one of `count` sockets is readable or `timeoutMs` passed;
// readable[i] tells which (a closed or shut-down socket counts as readable).
int32_t WaitAnyReadable(const SocketHandle* handles, size_t count, int timeoutMs, bool* readable);

// One send/recv call; *done is the byte count (0 from RecvSome = peer closed).
int32_t SendSome(SocketHandle handle, const void* bytes, size_t length, size_t* done);
int32_t RecvSome(SocketHandle handle, void* bytes, size_t length, size_t* done);

// One datagram. *datagramLength is its real length even when it was longer
// than the buffer (the rest is discarded). *hasSender is false when the
// call returned without a datagram because the socket was shut down.
struct Datagram {
  size_t datagramLength = 0;
  bool hasSender = false;
  uint32_t senderAddress = 0;
  uint16_t senderPort = 0;
};
int32_t RecvDatagram(SocketHandle handle, void* buffer, size_t capacity, Datagram* datagram);
int32_t SendDatagram(SocketHandle handle, const void* bytes, size_t length, uint32_t address, uint16_t port);

// First IPv4 address of a host name (network order).
int32_t ResolveIPv4(std::string_view hostName, uint32_t* address);
// Dotted form of an IPv4 address (network order).
std::string IPv4ToText(uint32_t address);
// IPv4 address of a dotted text (network order); false when it is none.
bool IPv4FromText(std::string_view text, uint32_t* address);

}  // namespace vk::net
