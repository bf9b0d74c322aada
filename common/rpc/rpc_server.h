// The server side of one RPC connection: binds, alter_context, requests
// (reassembled from their fragments) dispatched to a handler, responses
// (split into fragments the client accepts) and faults.
//
// The peer is not trusted: every length is checked before use, stub data
// of a call is limited to kMaxStubSize, and a PDU that cannot be framed or
// breaks the protocol ends the connection (after a fault or a bind_nak where
// the protocol has one). Wrong interface or version: bind_nak. Transfer
// syntax other than NDR: a provider rejection in the bind_ack. Unknown
// opnum: fault nca_s_op_rng_error. Arguments that do not decode: fault
// nca_s_fault_ndr. Both faults leave the connection usable.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/rpc/rpc_constants.h"
#include "platform/rpc/rpc_stream.h"

struct VkRpcCallOutput {
  std::vector<uint8_t> outData;
  std::vector<uint8_t> outLog;
  int32_t result = 0;
};

class cVkRpcCallHandler {
 public:
  virtual ~cVkRpcCallHandler() = default;
  // Runs procedure `opnum` (below kOperationCount) with its arguments; the
  // in-buffer is a view that lives for the call.
  virtual void Dispatch(uint16_t opnum, int32_t type, std::span<const uint8_t> inData, VkRpcCallOutput* out) = 0;
};

struct VkRpcServerOptions {
  std::string port;  // the endpoint as decimal text, sent in the bind_ack
  uint16_t maxFragment = vk::rpc::kDefaultMaxFragment;
  uint32_t assocGroupId = 0x1234;
};

// How a served connection ended.
enum class VkRpcEnd {
  PeerClosed,     // the client closed the connection
  StreamFailed,   // receive or send failed (the code says why), e.g. the idle time-out
  ProtocolError,  // the client broke the protocol; the connection was closed
  Refused,        // a bind was refused (bind_nak); the connection was closed
};

struct VkRpcServeResult {
  VkRpcEnd end = VkRpcEnd::PeerClosed;
  int32_t code = 0;
  uint32_t calls = 0;  // calls dispatched to the handler
};

// Serves `stream` until the connection ends; `clock` may be null.
VkRpcServeResult VkRpcServeConnection(cVkRpcStream& stream, cVkRpcCallHandler& handler,
                                      const VkRpcServerOptions& options, cVkRpcMessageClock* clock = nullptr);
