// TCP connections to and from the agent's RPC port on 127.0.0.1, as RPC
// streams.
//
// The listener binds 127.0.0.1 only. Its accepted connections carry the
// peer's identity: the uid that owns the connecting socket, asked of the
// kernel (peer_uid.h). Results are Win32 / Windows Sockets codes.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/rpc/rpc_stream.h"

namespace vk::rpc {

// A connected TCP socket; owns the descriptor and closes it when destroyed.
class TcpStream : public cVkRpcStream, public cVkRpcMessageClock {
 public:
  explicit TcpStream(int fd);
  ~TcpStream() override;
  TcpStream(const TcpStream&) = delete;
  TcpStream& operator=(const TcpStream&) = delete;

  int32_t Send(std::span<const uint8_t> bytes) override;
  int32_t Receive(std::span<uint8_t> buffer, size_t* received) override;

  // With a time-out, each PDU must arrive whole within it from
  // StartMessage on (else Receive answers WSAETIMEDOUT), and each Send must
  // finish within it. Zero: no time-out (the default).
  void SetMessageTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
  void StartMessage() override;

  // Ends both directions: wakes a thread blocked in Receive or Send. Any thread.
  void Shutdown();
  // Ends receiving only: a blocked Receive returns, a Send still goes out.
  void ShutdownReceive();
  int Descriptor() const { return fd_; }

 private:
  int32_t WaitReady(short events);

  int fd_;
  std::chrono::milliseconds timeout_{0};
  std::chrono::steady_clock::time_point deadline_{};
};

// Connects to 127.0.0.1:port (TCP_NODELAY set): 0 with the stream, or the
// Windows Sockets code (10061 when nothing listens there).
int32_t ConnectLoopback(uint16_t port, std::unique_ptr<TcpStream>* stream);

// A listening socket on 127.0.0.1.
class TcpListener {
 public:
  TcpListener();
  ~TcpListener();
  TcpListener(const TcpListener&) = delete;
  TcpListener& operator=(const TcpListener&) = delete;

  // Binds 127.0.0.1:port and listens with a queue of `backlog` connections:
  // 0; RPC_S_DUPLICATE_ENDPOINT (1740) when the port is in use;
  // RPC_S_CANT_CREATE_ENDPOINT (1720) for port 0; else the Windows Sockets code.
  int32_t Listen(uint16_t port, int backlog);
  // Waits for the next connection: 0 with the stream; ERROR_OPERATION_ABORTED
  // (995) once Wake was called (also before Listen) or when not listening;
  // else the Windows Sockets code.
  int32_t Accept(std::unique_ptr<TcpStream>* stream);
  // Makes Accept return (now and from now on). Any thread.
  void Wake();
  // Stops listening; a later Listen opens the socket again.
  void Close();
  uint16_t Port() const { return port_; }
  bool Listening() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
  int wakeFd_ = -1;
  uint16_t port_ = 0;
};

}  // namespace vk::rpc
