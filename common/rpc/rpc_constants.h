// Numbers of the connection-oriented DCE/RPC subset that carries the
// agent's configuration interface: PDU types and flags, the interface and
// transfer syntax, fragment sizes and the fault and rejection codes.
#pragma once

#include <array>
#include <cstdint>

namespace vk::rpc {

// A UUID in its NDR (little-endian) wire order.
using WireUuid = std::array<uint8_t, 16>;

struct SyntaxId {
  WireUuid uuid{};
  uint32_t version = 0;  // major in the low 16 bits, minor in the high 16 bits

  bool operator==(const SyntaxId&) const = default;
};

// fe265d8c-4f3e-43a5-922c-93cc4fc599ac version 1.0: the agent's configuration interface.
inline constexpr SyntaxId kConfigInterface{
    {0x8c, 0x5d, 0x26, 0xfe, 0x3e, 0x4f, 0xa5, 0x43, 0x92, 0x2c, 0x93, 0xcc, 0x4f, 0xc5, 0x99, 0xac}, 1};
// 8a885d04-1ceb-11c9-9fe8-08002b104860 version 2: NDR.
inline constexpr SyntaxId kNdrSyntax{
    {0x04, 0x5d, 0x88, 0x8a, 0xeb, 0x1c, 0xc9, 0x11, 0x9f, 0xe8, 0x08, 0x00, 0x2b, 0x10, 0x48, 0x60}, 2};

// The two procedures of the interface.
inline constexpr uint16_t kOpGetServiceData = 0;
inline constexpr uint16_t kOpSetServiceData = 1;
inline constexpr uint16_t kOperationCount = 2;

// Data types of the `type` argument.
inline constexpr int32_t kTypeSetSecurity = 2;
inline constexpr int32_t kTypeGetSecurity = 3;
inline constexpr int32_t kTypeSetSettings = 4;
inline constexpr int32_t kTypeGetSettings = 5;

inline constexpr uint8_t kRpcVersion = 5;
inline constexpr uint8_t kRpcVersionMinor = 0;
// Little-endian integers, ASCII characters, IEEE floating point.
inline constexpr uint8_t kDrepLittleEndian = 0x10;

enum class PduType : uint8_t {
  Request = 0,
  Response = 2,
  Fault = 3,
  Bind = 11,
  BindAck = 12,
  BindNak = 13,
  AlterContext = 14,
  AlterContextResp = 15,
  Shutdown = 17,
  CoCancel = 18,
  Orphaned = 19,
};

inline constexpr uint8_t kPfcFirstFrag = 0x01;
inline constexpr uint8_t kPfcLastFrag = 0x02;
inline constexpr uint8_t kPfcPendingCancel = 0x04;
inline constexpr uint8_t kPfcConcMpx = 0x10;
inline constexpr uint8_t kPfcDidNotExecute = 0x20;
inline constexpr uint8_t kPfcMaybe = 0x40;
inline constexpr uint8_t kPfcObjectUuid = 0x80;

inline constexpr size_t kHeaderSize = 16;
// Request and response headers: the common header, alloc_hint, context id
// and opnum (or cancel count); stub data follows at this offset.
inline constexpr size_t kRequestHeaderSize = 24;
inline constexpr size_t kResponseHeaderSize = 24;
inline constexpr size_t kFaultSize = 32;

// Every implementation must accept fragments of this size.
inline constexpr uint16_t kMinFragment = 1432;
// What this side sends and receives at most per fragment.
inline constexpr uint16_t kDefaultMaxFragment = 5840;

// Results of one presentation context in a bind_ack.
inline constexpr uint16_t kContextAccepted = 0;
inline constexpr uint16_t kContextUserRejection = 1;
inline constexpr uint16_t kContextProviderRejection = 2;
// Reasons of a provider rejection.
inline constexpr uint16_t kReasonNotSpecified = 0;
inline constexpr uint16_t kReasonAbstractSyntaxNotSupported = 1;
inline constexpr uint16_t kReasonTransferSyntaxesNotSupported = 2;
inline constexpr uint16_t kReasonLocalLimitExceeded = 3;

// Reasons of a bind_nak.
inline constexpr uint16_t kRejectNotSpecified = 0;
inline constexpr uint16_t kRejectTemporaryCongestion = 1;
inline constexpr uint16_t kRejectLocalLimitExceeded = 2;
inline constexpr uint16_t kRejectProtocolVersionNotSupported = 4;

// Fault statuses.
inline constexpr uint32_t kFaultOpRangeError = 0x1c010002;      // nca_s_op_rng_error
inline constexpr uint32_t kFaultUnknownInterface = 0x1c010003;  // nca_s_unk_if
inline constexpr uint32_t kFaultProtocolError = 0x1c01000b;     // nca_s_proto_error
inline constexpr uint32_t kFaultServerTooBusy = 0x1c010014;     // nca_s_server_too_busy
inline constexpr uint32_t kFaultBadStubData = 0x000006f7;       // nca_s_fault_ndr

// Largest stub data of one call that either side reassembles; the
// configuration objects are far smaller.
inline constexpr size_t kMaxStubSize = 4u * 1024u * 1024u;

}  // namespace vk::rpc
