// cVkSocket: the IPv4 socket wrapper of the console and the agent.
//
// Every operation answers 0, a Windows Sockets code, or -19 when the peer has
// closed the stream. Operations that are called once per connection log one
// line through the caller's log when they fail; the per-packet operations
// (send, receive, readiness) do not log.
//
// A socket object belongs to the thread that uses it. The destructor does not
// close the handle: owners call Close. Another thread may call Shutdown to
// wake a thread that is blocked in a receive or accept on this socket.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/net/socket_calls.h"

class cOrkLog;

// -19: the peer closed the connection.
inline constexpr int32_t VK_PEER_CLOSED = -19;

int32_t StartSockets(cOrkLog& log);
int32_t StopSockets(cOrkLog& log);

// First IPv4 address (network order) of a computer name.
int32_t ResolveAddress(cOrkLog& log, const std::u16string& computerName, uint32_t* address);
// The same in dotted form.
int32_t ResolveAddressText(cOrkLog& log, const std::u16string& computerName, std::u16string* text);

class cVkSocket {
 public:
  explicit cVkSocket(int32_t timeoutSeconds);
  virtual ~cVkSocket();
  cVkSocket(const cVkSocket&) = delete;
  cVkSocket& operator=(const cVkSocket&) = delete;

  int32_t Create(cOrkLog& log, int type);
  int32_t Bind(cOrkLog& log, uint16_t port);
  // Listens with the largest backlog the kernel allows, or `backlog`.
  int32_t Listen(cOrkLog& log, int backlog = 0);
  int32_t Accept(cOrkLog& log, cVkSocket& newSocket);
  int32_t Connect(cOrkLog& log, uint32_t address, uint16_t port);
  int32_t Close(cOrkLog& log);
  int32_t SetOption(cOrkLog& log, int level, int option, int value);

  int32_t IsReadable(bool* readable);
  int32_t SendAll(const void* bytes, size_t length);
  int32_t ReceiveAll(void* bytes, size_t length);
  // One receive of what has arrived (at most `length` bytes; blocks only
  // when nothing has); -19 when the peer has closed.
  int32_t ReceiveSome(void* bytes, size_t length, size_t* received);
  // Waits until one of the sockets is readable, at most `timeoutMs`;
  // (*readable)[i] tells which.
  static int32_t WaitAnyReadable(std::span<cVkSocket* const> sockets, int timeoutMs, std::vector<bool>* readable);
  // Takes over the handle and the peer of `other`, which is left without.
  void Adopt(cVkSocket& other);
  // Waits for one datagram of exactly `length` bytes and answers its sender.
  // Datagrams of another length, and when `acceptFrom` is not 0 datagrams of
  // another sender, are dropped without ending the call. -19 when the socket
  // was shut down.
  int32_t ReceiveFrom(void* bytes, size_t length, uint32_t* senderAddress, uint32_t acceptFrom = 0);
  // Datagrams ReceiveFrom dropped so far.
  uint64_t DroppedDatagrams() const { return droppedDatagrams_; }
  // Sends one datagram. The first call fixes the destination; later calls
  // reuse it and ignore their address and port.
  int32_t SendTo(const void* bytes, size_t length, uint32_t address, uint16_t port);

  // Wakes a thread blocked on this socket; no logging.
  int32_t Shutdown();
  // Port this socket is bound to (host order), 0 when unknown.
  uint16_t LocalPort() const;

  bool HasSocket() const { return handle_ != 0; }
  uint32_t PeerAddress() const { return peerAddress_; }

 private:
  struct Destination {
    uint32_t address;
    uint16_t port;
  };

  vk::net::SocketHandle handle_ = 0;
  int64_t timeoutSeconds_;
  int64_t timeoutMicroseconds_ = 0;
  uint32_t peerAddress_ = 0;
  std::optional<Destination> destination_;
  uint64_t droppedDatagrams_ = 0;
};
