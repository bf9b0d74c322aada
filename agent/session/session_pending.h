// Connections that were accepted and have not yet sent their whole
// authentication block.
//
// The listening thread reads the blocks of a bounded number of such
// connections at once, each with its own deadline, so that idle clients
// cannot keep a console out: the first whose block is complete gets the
// session. A source address holds at most a few of the slots; a connection
// beyond that is closed at once, and while every slot is taken new
// connections wait in the (small) listen backlog.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/socket/socket.h"

namespace vk {

inline constexpr int kListenBacklog = 8;
inline constexpr size_t kMaxPendingConnections = 16;
inline constexpr size_t kMaxPendingPerAddress = 4;

// Where the receipt of a block stands.
enum class PendingState {
  Receiving,
  Complete,      // the whole block is here
  LengthFailed,  // the length could not be received (`code`)
  TooLong,       // the block is longer than allowed
  DataFailed,    // the rest could not be received (`code`)
};

struct cVkPendingConnection {
  std::unique_ptr<cVkSocket> socket;
  std::chrono::steady_clock::time_point deadline;
  std::vector<uint8_t> bytes;  // what has arrived: the length, then the block
  PendingState state = PendingState::Receiving;
  int32_t code = 0;

  ~cVkPendingConnection();
  cVkPendingConnection() = default;
  cVkPendingConnection(cVkPendingConnection&&) = default;
  cVkPendingConnection& operator=(cVkPendingConnection&&) = default;

  // Reads what has arrived (the socket is readable) and updates the state.
  void ReceiveAvailable();
  // The deadline has passed: the block counts as not received in time.
  void Expire();
  bool Settled() const { return state != PendingState::Receiving; }
};

}  // namespace vk
