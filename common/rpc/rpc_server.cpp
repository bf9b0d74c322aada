#include "common/rpc/rpc_server.h"

#include <algorithm>

#include "common/rpc/fragments.h"
#include "common/rpc/ndr_call.h"
#include "common/rpc/pdu.h"
#include "platform/core/error_codes.h"

using namespace vk::rpc;

namespace {

class ServerConnection {
 public:
  ServerConnection(cVkRpcStream& stream, cVkRpcCallHandler& handler, const VkRpcServerOptions& options)
      : stream_(stream),
        handler_(handler),
        options_(options),
        maxRecv_(options.maxFragment),
        maxXmit_(options.maxFragment) {}

  VkRpcServeResult Run(cVkRpcMessageClock* clock);

 private:
  // Each handler answers false when the connection is to end (result_ says why).
  bool OnFragment(const ReceivedFragment& fragment);
  bool OnBind(const ReceivedFragment& fragment);
  bool OnAlterContext(const ReceivedFragment& fragment);
  bool OnRequest(const ReceivedFragment& fragment);
  bool CompleteCall(uint32_t callId, uint16_t contextId, uint16_t opnum);
  bool OnBadHeader(const ReceivedFragment& fragment);

  std::vector<ContextResult> JudgeContexts(const std::vector<ContextElement>& contexts, bool* anyForInterface);
  bool SendFault(uint32_t callId, uint16_t contextId, uint32_t status);
  bool SendBindNak(uint32_t callId, uint16_t reason);
  bool Send(const std::vector<uint8_t>& bytes);
  bool End(VkRpcEnd end, int32_t code);
  bool ProtocolError(uint32_t callId) {
    SendFault(callId, 0, kFaultProtocolError);
    return End(VkRpcEnd::ProtocolError, RPC_S_PROTOCOL_ERROR);
  }

  cVkRpcStream& stream_;
  cVkRpcCallHandler& handler_;
  const VkRpcServerOptions& options_;
  uint16_t maxRecv_;
  uint16_t maxXmit_;
  bool bound_ = false;
  std::vector<uint16_t> contexts_;  // accepted presentation context ids
  StubAssembler assembler_;
  uint16_t callContext_ = 0;
  uint16_t callOpnum_ = 0;
  VkRpcServeResult result_;
};

VkRpcServeResult ServerConnection::Run(cVkRpcMessageClock* clock) {
  for (;;) {
    if (clock) clock->StartMessage();
    ReceivedFragment fragment;
    int32_t code = ReceiveFragment(stream_, maxRecv_, &fragment);
    if (code == kVkRpcPeerClosed) {
      End(VkRpcEnd::PeerClosed, 0);
      break;
    }
    if (code != 0) {
      End(VkRpcEnd::StreamFailed, code);
      break;
    }
    if (!OnFragment(fragment)) break;
  }
  return result_;
}

bool ServerConnection::OnFragment(const ReceivedFragment& fragment) {
  if (fragment.problem != HeaderProblem::None) return OnBadHeader(fragment);
  // No authentication is spoken here: the caller is known by its socket.
  if (fragment.header.authLength != 0) {
    if (fragment.header.type == PduType::Bind) return SendBindNak(fragment.header.callId, kRejectNotSpecified);
    return ProtocolError(fragment.header.callId);
  }
  switch (fragment.header.type) {
    case PduType::Bind:
      return OnBind(fragment);
    case PduType::AlterContext:
      return OnAlterContext(fragment);
    case PduType::Request:
      return OnRequest(fragment);
    case PduType::CoCancel:
      return true;
    case PduType::Orphaned:
      assembler_.Reset();
      return true;
    default:
      return End(VkRpcEnd::ProtocolError, RPC_S_PROTOCOL_ERROR);
  }
}

bool ServerConnection::OnBadHeader(const ReceivedFragment& fragment) {
  // A bind of another protocol version is told which version this side speaks.
  if (fragment.problem == HeaderProblem::Version && fragment.header.type == PduType::Bind)
    return SendBindNak(fragment.header.callId, kRejectProtocolVersionNotSupported);
  return End(VkRpcEnd::ProtocolError, RPC_S_PROTOCOL_ERROR);
}

std::vector<ContextResult> ServerConnection::JudgeContexts(const std::vector<ContextElement>& contexts,
                                                           bool* anyForInterface) {
  std::vector<ContextResult> results;
  *anyForInterface = false;
  for (const ContextElement& element : contexts) {
    ContextResult result;
    result.result = kContextProviderRejection;
    if (!(element.abstractSyntax == kConfigInterface)) {
      result.reason = kReasonAbstractSyntaxNotSupported;
    } else {
      *anyForInterface = true;
      bool ndr = std::find(element.transferSyntaxes.begin(), element.transferSyntaxes.end(), kNdrSyntax) !=
                 element.transferSyntaxes.end();
      if (ndr) {
        result = {kContextAccepted, kReasonNotSpecified, kNdrSyntax};
        if (std::find(contexts_.begin(), contexts_.end(), element.contextId) == contexts_.end())
          contexts_.push_back(element.contextId);
      } else {
        result.reason = kReasonTransferSyntaxesNotSupported;
      }
    }
    results.push_back(result);
  }
  return results;
}

bool ServerConnection::OnBind(const ReceivedFragment& fragment) {
  BindPdu bind;
  if (!DecodeBind(fragment.bytes, &bind)) return SendBindNak(fragment.header.callId, kRejectNotSpecified);
  if (bound_) return End(VkRpcEnd::ProtocolError, RPC_S_PROTOCOL_ERROR);  // one bind per connection
  if (bind.maxXmitFrag < kMinFragment || bind.maxRecvFrag < kMinFragment)
    return SendBindNak(bind.header.callId, kRejectLocalLimitExceeded);
  bool anyForInterface = false;
  std::vector<ContextResult> results = JudgeContexts(bind.contexts, &anyForInterface);
  if (!anyForInterface) return SendBindNak(bind.header.callId, kRejectNotSpecified);

  maxRecv_ = std::min(options_.maxFragment, bind.maxXmitFrag);
  maxXmit_ = std::min(options_.maxFragment, bind.maxRecvFrag);
  BindAckPdu ack;
  ack.header.type = PduType::BindAck;
  ack.header.callId = bind.header.callId;
  ack.maxXmitFrag = maxXmit_;
  ack.maxRecvFrag = maxRecv_;
  ack.assocGroupId = bind.assocGroupId != 0 ? bind.assocGroupId : options_.assocGroupId;
  ack.secondaryAddress = options_.port;
  ack.results = std::move(results);
  bound_ = true;
  return Send(EncodeBindAck(ack));
}

bool ServerConnection::OnAlterContext(const ReceivedFragment& fragment) {
  BindPdu alter;
  if (!bound_ || !DecodeBind(fragment.bytes, &alter)) return ProtocolError(fragment.header.callId);
  bool anyForInterface = false;
  BindAckPdu resp;
  resp.header.type = PduType::AlterContextResp;
  resp.header.callId = alter.header.callId;
  resp.maxXmitFrag = maxXmit_;
  resp.maxRecvFrag = maxRecv_;
  resp.assocGroupId = alter.assocGroupId != 0 ? alter.assocGroupId : options_.assocGroupId;
  resp.results = JudgeContexts(alter.contexts, &anyForInterface);
  return Send(EncodeBindAck(resp));
}

bool ServerConnection::OnRequest(const ReceivedFragment& fragment) {
  RequestPdu request;
  if (!bound_ || !DecodeRequest(fragment.bytes, &request)) return ProtocolError(fragment.header.callId);
  bool first = (request.header.flags & kPfcFirstFrag) != 0;
  bool last = (request.header.flags & kPfcLastFrag) != 0;
  if (first && std::find(contexts_.begin(), contexts_.end(), request.contextId) == contexts_.end()) {
    if (!SendFault(request.header.callId, request.contextId, kFaultUnknownInterface)) return false;
    // The call's further fragments could not be told from a new call.
    return last ? true : End(VkRpcEnd::ProtocolError, RPC_S_PROTOCOL_ERROR);
  }
  if (first) {
    callContext_ = request.contextId;
    callOpnum_ = request.opnum;
  } else if (request.contextId != callContext_ || request.opnum != callOpnum_) {
    return ProtocolError(request.header.callId);
  }
  switch (assembler_.Add(request.header, request.stub)) {
    case StubAssembler::Step::NeedMore:
      return true;
    case StubAssembler::Step::Complete:
      return CompleteCall(request.header.callId, callContext_, callOpnum_);
    default:
      return ProtocolError(request.header.callId);
  }
}

bool ServerConnection::CompleteCall(uint32_t callId, uint16_t contextId, uint16_t opnum) {
  if (opnum >= kOperationCount) return SendFault(callId, contextId, kFaultOpRangeError);
  CallIn in;
  if (!DecodeCallIn(assembler_.Stub(), &in)) return SendFault(callId, contextId, kFaultBadStubData);
  VkRpcCallOutput output;
  handler_.Dispatch(opnum, in.type, in.inData, &output);
  ++result_.calls;
  CallOut out;
  out.outData = output.outData;
  out.outLog = output.outLog;
  out.result = output.result;
  out.returnValue = 0;
  std::vector<uint8_t> stub = EncodeCallOut(out);
  int32_t code = SendFragments(stream_, SplitResponse(callId, contextId, stub, maxXmit_));
  return code == 0 ? true : End(VkRpcEnd::StreamFailed, code);
}

bool ServerConnection::SendFault(uint32_t callId, uint16_t contextId, uint32_t status) {
  FaultPdu fault;
  fault.header.callId = callId;
  fault.header.flags = kPfcFirstFrag | kPfcLastFrag | kPfcDidNotExecute;
  fault.contextId = contextId;
  fault.status = status;
  return Send(EncodeFault(fault));
}

bool ServerConnection::SendBindNak(uint32_t callId, uint16_t reason) {
  BindNakPdu nak;
  nak.header.type = PduType::BindNak;
  nak.header.callId = callId;
  nak.rejectReason = reason;
  Send(EncodeBindNak(nak));
  return End(VkRpcEnd::Refused, RPC_S_UNKNOWN_IF);
}

bool ServerConnection::Send(const std::vector<uint8_t>& bytes) {
  int32_t code = stream_.Send(bytes);
  return code == 0 ? true : End(VkRpcEnd::StreamFailed, code);
}

bool ServerConnection::End(VkRpcEnd end, int32_t code) {
  // The first reason stays: a failed send after a protocol error is no news.
  if (result_.end == VkRpcEnd::PeerClosed && result_.code == 0) {
    result_.end = end;
    result_.code = code;
  }
  return false;
}

}  // namespace

VkRpcServeResult VkRpcServeConnection(cVkRpcStream& stream, cVkRpcCallHandler& handler,
                                      const VkRpcServerOptions& options, cVkRpcMessageClock* clock) {
  ServerConnection connection(stream, handler, options);
  return connection.Run(clock);
}
