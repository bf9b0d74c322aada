// The PDUs of connection-oriented DCE/RPC that this system uses, as
// structures, with their encoders and bounds-checked decoders.
//
// Layouts are those of DCE 1.1 RPC (C706, chapter 12): a 16-byte common
// header, then the PDU's own fields; integers little-endian. Decoders take
// one whole fragment (frag_length bytes) and answer false for anything that
// does not fit in it; views (stub data) point into the fragment.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/rpc/rpc_constants.h"

namespace vk::rpc {

struct PduHeader {
  uint8_t versionMajor = kRpcVersion;
  uint8_t versionMinor = kRpcVersionMinor;
  PduType type = PduType::Request;
  uint8_t flags = kPfcFirstFrag | kPfcLastFrag;
  uint8_t drep = kDrepLittleEndian;  // the first of the four representation bytes
  uint16_t fragLength = 0;
  uint16_t authLength = 0;
  uint32_t callId = 0;
};

// The common header of a fragment; false when fewer than 16 bytes are given.
bool DecodeHeader(std::span<const uint8_t> bytes, PduHeader* header);

enum class HeaderProblem {
  None,
  Version,             // not version 5.0 or 5.1
  DataRepresentation,  // not little-endian ASCII
  Length,              // frag_length below the header or above the limit, or auth_length too long
};
// What is wrong with the header of a fragment that is to be read whole,
// given the largest fragment this side accepts.
HeaderProblem CheckHeader(const PduHeader& header, size_t maxFragment);

struct ContextElement {
  uint16_t contextId = 0;
  SyntaxId abstractSyntax;
  std::vector<SyntaxId> transferSyntaxes;
};

// bind and alter_context.
struct BindPdu {
  PduHeader header;
  uint16_t maxXmitFrag = kDefaultMaxFragment;
  uint16_t maxRecvFrag = kDefaultMaxFragment;
  uint32_t assocGroupId = 0;
  std::vector<ContextElement> contexts;
};

struct ContextResult {
  uint16_t result = kContextAccepted;
  uint16_t reason = kReasonNotSpecified;
  SyntaxId transferSyntax;  // zero for a rejected context
};

// bind_ack and alter_context_resp.
struct BindAckPdu {
  PduHeader header;
  uint16_t maxXmitFrag = kDefaultMaxFragment;
  uint16_t maxRecvFrag = kDefaultMaxFragment;
  uint32_t assocGroupId = 0;
  std::string secondaryAddress;  // the port as decimal text ("" in alter_context_resp)
  std::vector<ContextResult> results;
};

struct BindNakPdu {
  PduHeader header;
  uint16_t rejectReason = kRejectNotSpecified;
  // Protocol versions this side speaks: major, minor.
  std::vector<std::pair<uint8_t, uint8_t>> versions{{kRpcVersion, kRpcVersionMinor}};
};

struct RequestPdu {
  PduHeader header;
  uint32_t allocHint = 0;
  uint16_t contextId = 0;
  uint16_t opnum = 0;
  std::optional<WireUuid> object;
  std::span<const uint8_t> stub;
};

struct ResponsePdu {
  PduHeader header;
  uint32_t allocHint = 0;
  uint16_t contextId = 0;
  uint8_t cancelCount = 0;
  std::span<const uint8_t> stub;
};

struct FaultPdu {
  PduHeader header;
  uint32_t allocHint = 0;
  uint16_t contextId = 0;
  uint8_t cancelCount = 0;
  uint32_t status = 0;
};

// Encoders: the whole fragment, with frag_length filled in and the type
// taken from the header (Bind or AlterContext, BindAck or AlterContextResp).
std::vector<uint8_t> EncodeBind(const BindPdu& pdu);
std::vector<uint8_t> EncodeBindAck(const BindAckPdu& pdu);
std::vector<uint8_t> EncodeBindNak(const BindNakPdu& pdu);
std::vector<uint8_t> EncodeRequest(const RequestPdu& pdu);
std::vector<uint8_t> EncodeResponse(const ResponsePdu& pdu);
std::vector<uint8_t> EncodeFault(const FaultPdu& pdu);

// Decoders of one whole fragment (as framed by its frag_length).
bool DecodeBind(std::span<const uint8_t> fragment, BindPdu* pdu);
bool DecodeBindAck(std::span<const uint8_t> fragment, BindAckPdu* pdu);
bool DecodeBindNak(std::span<const uint8_t> fragment, BindNakPdu* pdu);
bool DecodeRequest(std::span<const uint8_t> fragment, RequestPdu* pdu);
bool DecodeResponse(std::span<const uint8_t> fragment, ResponsePdu* pdu);
bool DecodeFault(std::span<const uint8_t> fragment, FaultPdu* pdu);

}  // namespace vk::rpc
