// The client side of the agent's configuration interface.
//
// A cVkRpcClient runs over any connected byte stream (cVkRpcStream, see
// platform/rpc/rpc_stream.h): a TCP connection to the agent's port on 127.0.0.1
// (vk::rpc::ConnectLoopback in platform/rpc/tcp_stream.h), or an SSH
// direct-tcpip channel to that port, wrapped in a cVkRpcStream of the SSH
// layer. The agent identifies the caller by the uid that owns the socket
// connecting to its port; through SSH that is the login user's sshd.
//
//   std::unique_ptr<vk::rpc::TcpStream> stream;
//   if (int32_t code = vk::rpc::ConnectLoopback(port, &stream)) return code;
//   cVkRpcClient client(*stream);
//   if (int32_t code = client.Bind()) return code;            // the listening check
//   std::vector<uint8_t> in;                                   // ObjectToBuffer(object, in)
//   cVkRpcCallResult out;
//   int32_t code = client.Call(vk::rpc::kOpSetServiceData, 4, in, &out);
//   // code != 0: the call did not complete (the run-time failure, logged
//   //            by the caller as an RPC exception);
//   // else out.returnValue (always 0 from an agent), out.status (the
//   //      procedure's result), out.outData, out.outLog (a cOrkMfcLog).
//
// One call at a time per client; a client is used by one thread. After a
// failed call the connection's state is unknown: drop the client and the
// stream and connect again.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/rpc/rpc_constants.h"
#include "platform/rpc/rpc_stream.h"

struct cVkRpcCallResult {
  std::vector<uint8_t> outData;  // the object of a get (ObjectFromBuffer); empty otherwise
  std::vector<uint8_t> outLog;   // the call's log as an archived cOrkMfcLog; may be empty
  int32_t status = 0;            // the `result` out-parameter: 0 or the error of the first failure
  int32_t returnValue = 0;       // the procedure's return value
};

class cVkRpcClient {
 public:
  // `maxFragment`: the largest fragment this client sends and receives
  // (at least vk::rpc::kMinFragment); the bind negotiates it down.
  explicit cVkRpcClient(cVkRpcStream& stream, uint16_t maxFragment = vk::rpc::kDefaultMaxFragment);

  // Binds the interface fe265d8c-4f3e-43a5-922c-93cc4fc599ac v1.0 with NDR.
  // 0; RPC_S_UNKNOWN_IF (1717) when the server refused the interface
  // (bind_nak or a rejected context); RPC_S_UNSUPPORTED_TRANS_SYN (1730)
  // when it refused NDR; RPC_S_PROTOCOL_ERROR (1728) for an answer that does
  // not read; kVkRpcPeerClosed or the stream's code.
  int32_t Bind();
  bool Bound() const { return bound_; }

  // Calls procedure `opnum` (vk::rpc::kOpGetServiceData or
  // kOpSetServiceData) with the type and the in-buffer (empty: a null
  // pointer). 0 when the call completed, with the results in *result.
  // Otherwise the run-time failure: RPC_S_INVALID_BINDING (1702) before a
  // bind; a fault mapped to its code (nca_s_op_rng_error: 1745, nca_s_unk_if:
  // 1717, nca_s_fault_ndr: 1783, nca_s_proto_error: 1728, nca_s_server_too_busy:
  // 1723, a Win32 status as it is, others 1726); RPC_S_PROTOCOL_ERROR for an
  // answer that does not read; kVkRpcPeerClosed or the stream's code.
  int32_t Call(uint16_t opnum, int32_t type, std::span<const uint8_t> inData, cVkRpcCallResult* result);

  int32_t GetServiceData(int32_t type, cVkRpcCallResult* result) {
    return Call(vk::rpc::kOpGetServiceData, type, {}, result);
  }
  int32_t SetServiceData(int32_t type, std::span<const uint8_t> inData, cVkRpcCallResult* result) {
    return Call(vk::rpc::kOpSetServiceData, type, inData, result);
  }

  // The fragment sizes agreed in the bind.
  uint16_t MaxXmitFrag() const { return maxXmit_; }
  uint16_t MaxRecvFrag() const { return maxRecv_; }
  // The fault status of the last call that ended in a fault, else 0.
  uint32_t LastFaultStatus() const { return lastFault_; }

 private:
  int32_t ReceiveResponse(uint32_t callId, std::vector<uint8_t>* stub);

  cVkRpcStream& stream_;
  uint16_t maxXmit_;
  uint16_t maxRecv_;
  uint32_t nextCallId_ = 1;
  uint32_t lastFault_ = 0;
  bool bound_ = false;
};

// The Win32 code of a fault status, as Call answers it.
int32_t VkRpcCodeFromFault(uint32_t status);
