// A UDP (IPv4) socket that receives one datagram at a time and whose wait can
// be interrupted from another thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vk {

class DatagramChannel {
 public:
  DatagramChannel();
  ~DatagramChannel();
  DatagramChannel(const DatagramChannel&) = delete;
  DatagramChannel& operator=(const DatagramChannel&) = delete;

  // Creates the socket. 0 or a Winsock-numbered code.
  int32_t Create();
  // Binds it to port (0: any free port) on bindAddress (network order; 0:
  // every address). 0 or a Winsock-numbered code.
  int32_t Bind(uint16_t port, uint32_t bindAddress = 0);
  // Create and Bind.
  int32_t Open(uint16_t port, uint32_t bindAddress = 0);
  int32_t Close();
  bool IsOpen() const { return fd_ >= 0; }
  uint16_t LocalPort() const;

  // Waits until a datagram is waiting (readable = true) or Interrupt() was
  // called (readable = false). 0 or a Winsock-numbered code.
  int32_t Wait(bool& readable);
  // Receives exactly one datagram into buffer: length is its full size (a
  // datagram longer than the buffer is cut and reported with its real size),
  // sender its IPv4 address in network order. 0 or a Winsock-numbered code.
  int32_t ReceiveOne(std::span<uint8_t> buffer, size_t& length, uint32_t& sender);
  // Sends one datagram to address:port (network order address).
  int32_t SendTo(uint32_t address, uint16_t port, std::span<const uint8_t> bytes);
  // Wakes a waiting Wait(); safe from any thread while the channel exists;
  // sticky: every later Wait() returns at once.
  void Interrupt();

 private:
  int fd_ = -1;
  int wakeFd_ = -1;
};

// Network-order IPv4 address of a dotted text ("127.0.0.1"); 0 when invalid.
uint32_t ParseIpv4(const char* dotted);

}  // namespace vk
