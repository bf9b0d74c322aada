// The byte stream an RPC connection runs over.
//
// The agent's listener hands its accepted TCP connections to the server as
// streams, a client can run over a TCP connection to 127.0.0.1
// (tcp_stream.h) or over any other connected byte stream, such
// as an SSH direct-tcpip channel to the agent's port: implement these two
// calls over it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The peer closed the stream (the same number as the socket layer's).
inline constexpr int32_t kVkRpcPeerClosed = -19;

class cVkRpcStream {
 public:
  virtual ~cVkRpcStream() = default;

  // Sends every byte: 0, or an error code (Win32 / Windows Sockets numbering).
  virtual int32_t Send(std::span<const uint8_t> bytes) = 0;
  // Waits for at least one byte and answers 0 with *received between 1 and
  // buffer.size(); kVkRpcPeerClosed when the peer closed the stream; or an
  // error code (WSAETIMEDOUT, 10060, when a time-out of the stream passed).
  virtual int32_t Receive(std::span<uint8_t> buffer, size_t* received) = 0;
};

// Streams whose receive time-out should restart for every PDU implement
// this beside cVkRpcStream; the server calls it before it awaits each PDU.
class cVkRpcMessageClock {
 public:
  virtual ~cVkRpcMessageClock() = default;
  virtual void StartMessage() = 0;
};
