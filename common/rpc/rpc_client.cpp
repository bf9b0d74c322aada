#include "common/rpc/rpc_client.h"

#include <algorithm>

#include "common/rpc/fragments.h"
#include "common/rpc/ndr_call.h"
#include "common/rpc/pdu.h"
#include "platform/core/error_codes.h"

using namespace vk::rpc;

namespace {

constexpr uint16_t kContextId = 0;

int32_t CodeFromBindResult(const ContextResult& result) {
  if (result.result == kContextAccepted) return result.transferSyntax == kNdrSyntax ? 0 : RPC_S_PROTOCOL_ERROR;
  if (result.reason == kReasonTransferSyntaxesNotSupported) return RPC_S_UNSUPPORTED_TRANS_SYN;
  return RPC_S_UNKNOWN_IF;
}

}  // namespace

int32_t VkRpcCodeFromFault(uint32_t status) {
  switch (status) {
    case kFaultOpRangeError:
      return RPC_S_PROCNUM_OUT_OF_RANGE;
    case kFaultUnknownInterface:
      return RPC_S_UNKNOWN_IF;
    case kFaultBadStubData:
      return RPC_X_BAD_STUB_DATA;
    case kFaultProtocolError:
      return RPC_S_PROTOCOL_ERROR;
    case kFaultServerTooBusy:
      return RPC_S_SERVER_TOO_BUSY;
    default:
      break;
  }
  if (status != 0 && status < 0x10000) return static_cast<int32_t>(status);
  return RPC_S_CALL_FAILED;
}

cVkRpcClient::cVkRpcClient(cVkRpcStream& stream, uint16_t maxFragment)
    : stream_(stream), maxXmit_(std::max(maxFragment, kMinFragment)), maxRecv_(std::max(maxFragment, kMinFragment)) {}

int32_t cVkRpcClient::Bind() {
  BindPdu bind;
  bind.header.type = PduType::Bind;
  bind.header.callId = nextCallId_++;
  bind.maxXmitFrag = maxXmit_;
  bind.maxRecvFrag = maxRecv_;
  bind.contexts.push_back({kContextId, kConfigInterface, {kNdrSyntax}});
  int32_t code = stream_.Send(EncodeBind(bind));
  if (code != 0) return code;

  ReceivedFragment answer;
  code = ReceiveFragment(stream_, maxRecv_, &answer);
  if (code != 0) return code;
  if (answer.problem != HeaderProblem::None || answer.header.callId != bind.header.callId) return RPC_S_PROTOCOL_ERROR;
  if (answer.header.type == PduType::BindNak) return RPC_S_UNKNOWN_IF;
  BindAckPdu ack;
  if (answer.header.type != PduType::BindAck || !DecodeBindAck(answer.bytes, &ack) || ack.results.size() != 1)
    return RPC_S_PROTOCOL_ERROR;
  code = CodeFromBindResult(ack.results[0]);
  if (code != 0) return code;
  if (ack.maxXmitFrag < kMinFragment || ack.maxRecvFrag < kMinFragment) return RPC_S_PROTOCOL_ERROR;
  // The server's receive size is what this side may send, and the reverse.
  maxXmit_ = std::min(maxXmit_, ack.maxRecvFrag);
  maxRecv_ = std::min(maxRecv_, ack.maxXmitFrag);
  bound_ = true;
  return 0;
}

int32_t cVkRpcClient::Call(uint16_t opnum, int32_t type, std::span<const uint8_t> inData, cVkRpcCallResult* result) {
  lastFault_ = 0;
  if (!bound_) return RPC_S_INVALID_BINDING;
  uint32_t callId = nextCallId_++;
  std::vector<uint8_t> in = EncodeCallIn(type, inData);
  int32_t code = SendFragments(stream_, SplitRequest(callId, kContextId, opnum, in, maxXmit_));
  if (code != 0) return code;

  std::vector<uint8_t> stub;
  code = ReceiveResponse(callId, &stub);
  if (code != 0) return code;
  CallOut out;
  if (!DecodeCallOut(stub, &out)) return RPC_S_PROTOCOL_ERROR;
  result->outData.assign(out.outData.begin(), out.outData.end());
  result->outLog.assign(out.outLog.begin(), out.outLog.end());
  result->status = out.result;
  result->returnValue = out.returnValue;
  return 0;
}

int32_t cVkRpcClient::ReceiveResponse(uint32_t callId, std::vector<uint8_t>* stub) {
  StubAssembler assembler;
  for (;;) {
    ReceivedFragment fragment;
    int32_t code = ReceiveFragment(stream_, maxRecv_, &fragment);
    if (code != 0) return code;
    if (fragment.problem != HeaderProblem::None || fragment.header.callId != callId) return RPC_S_PROTOCOL_ERROR;
    if (fragment.header.type == PduType::Fault) {
      FaultPdu fault;
      if (!DecodeFault(fragment.bytes, &fault)) return RPC_S_PROTOCOL_ERROR;
      lastFault_ = fault.status;
      return VkRpcCodeFromFault(fault.status);
    }
    ResponsePdu response;
    if (fragment.header.type != PduType::Response || !DecodeResponse(fragment.bytes, &response))
      return RPC_S_PROTOCOL_ERROR;
    switch (assembler.Add(fragment.header, response.stub)) {
      case StubAssembler::Step::NeedMore:
        continue;
      case StubAssembler::Step::Complete:
        stub->assign(assembler.Stub().begin(), assembler.Stub().end());
        return 0;
      default:
        return RPC_S_PROTOCOL_ERROR;
    }
  }
}
