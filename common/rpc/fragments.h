// Framing of PDUs on a stream and fragmentation of a call's stub data.
//
// A PDU is framed by the frag_length of its header; a fragment is read
// whole only after its header passed CheckHeader against the largest
// fragment this side accepts, so no length read from the peer is trusted
// before it is checked. Requests and responses whose stub data does not fit
// in one fragment are split into several (first and last flags), each at
// most the negotiated fragment size.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/rpc/pdu.h"
#include "platform/rpc/rpc_stream.h"

// Fills `buffer` completely from the stream: 0, kVkRpcPeerClosed, or the
// stream's error code.
int32_t VkRpcReceiveAll(cVkRpcStream& stream, std::span<uint8_t> buffer);

namespace vk::rpc {

struct ReceivedFragment {
  PduHeader header;
  HeaderProblem problem = HeaderProblem::None;
  std::vector<uint8_t> bytes;  // the whole fragment when problem is None
};

// Reads one fragment: 0 with the fragment, or 0 with a problem (only the
// header was read; the stream can no longer be framed), kVkRpcPeerClosed,
// or the stream's error code.
int32_t ReceiveFragment(cVkRpcStream& stream, size_t maxFragment, ReceivedFragment* fragment);

// The request / response fragments of one call, each at most `maxFragment`
// bytes long (at least kMinFragment is assumed). Every fragment but the
// last carries a multiple of 8 stub bytes; alloc_hint is the stub data
// that remains from that fragment on.
std::vector<std::vector<uint8_t>> SplitRequest(uint32_t callId, uint16_t contextId, uint16_t opnum,
                                               std::span<const uint8_t> stub, size_t maxFragment);
std::vector<std::vector<uint8_t>> SplitResponse(uint32_t callId, uint16_t contextId, std::span<const uint8_t> stub,
                                                size_t maxFragment);

// Sends the fragments in order: 0 or the first failure.
int32_t SendFragments(cVkRpcStream& stream, const std::vector<std::vector<uint8_t>>& fragments);

// Collects the stub data of one call's fragments.
class StubAssembler {
 public:
  enum class Step { NeedMore, Complete, OutOfOrder, TooLarge };

  // The stub of the next fragment, with the fragment's header.
  Step Add(const PduHeader& header, std::span<const uint8_t> stub);
  bool InCall() const { return inCall_; }
  uint32_t CallId() const { return callId_; }
  // The whole stub once Add answered Complete; Reset starts afresh.
  std::span<const uint8_t> Stub() const { return stub_; }
  void Reset();

 private:
  bool inCall_ = false;
  uint32_t callId_ = 0;
  std::vector<uint8_t> stub_;
};

}  // namespace vk::rpc
