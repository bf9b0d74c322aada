#include "common/rpc/fragments.h"

#include <algorithm>

namespace vk::rpc {
namespace {

// The stub bytes that fit into one fragment of `maxFragment` bytes, kept a
// multiple of 8 so that NDR alignment stays the same in every fragment.
size_t StubPerFragment(size_t maxFragment, size_t headerSize) {
  size_t room = maxFragment > headerSize ? maxFragment - headerSize : 8;
  return std::max<size_t>(8, room & ~size_t{7});
}

template <class MakeFragment>
std::vector<std::vector<uint8_t>> Split(std::span<const uint8_t> stub, size_t perFragment, MakeFragment make) {
  std::vector<std::vector<uint8_t>> fragments;
  size_t offset = 0;
  do {
    size_t length = std::min(perFragment, stub.size() - offset);
    uint8_t flags = 0;
    if (offset == 0) flags |= kPfcFirstFrag;
    if (offset + length == stub.size()) flags |= kPfcLastFrag;
    fragments.push_back(make(flags, static_cast<uint32_t>(stub.size() - offset), stub.subspan(offset, length)));
    offset += length;
  } while (offset < stub.size());
  return fragments;
}

}  // namespace

int32_t ReceiveFragment(cVkRpcStream& stream, size_t maxFragment, ReceivedFragment* fragment) {
  fragment->bytes.assign(kHeaderSize, 0);
  int32_t code = VkRpcReceiveAll(stream, fragment->bytes);
  if (code != 0) return code;
  DecodeHeader(fragment->bytes, &fragment->header);
  fragment->problem = CheckHeader(fragment->header, maxFragment);
  if (fragment->problem != HeaderProblem::None) return 0;
  fragment->bytes.resize(fragment->header.fragLength);
  return VkRpcReceiveAll(stream, std::span<uint8_t>(fragment->bytes).subspan(kHeaderSize));
}

std::vector<std::vector<uint8_t>> SplitRequest(uint32_t callId, uint16_t contextId, uint16_t opnum,
                                               std::span<const uint8_t> stub, size_t maxFragment) {
  return Split(stub, StubPerFragment(maxFragment, kRequestHeaderSize),
               [&](uint8_t flags, uint32_t remaining, std::span<const uint8_t> part) {
                 RequestPdu pdu;
                 pdu.header.flags = flags;
                 pdu.header.callId = callId;
                 pdu.allocHint = remaining;
                 pdu.contextId = contextId;
                 pdu.opnum = opnum;
                 pdu.stub = part;
                 return EncodeRequest(pdu);
               });
}

std::vector<std::vector<uint8_t>> SplitResponse(uint32_t callId, uint16_t contextId, std::span<const uint8_t> stub,
                                                size_t maxFragment) {
  return Split(stub, StubPerFragment(maxFragment, kResponseHeaderSize),
               [&](uint8_t flags, uint32_t remaining, std::span<const uint8_t> part) {
                 ResponsePdu pdu;
                 pdu.header.flags = flags;
                 pdu.header.callId = callId;
                 pdu.allocHint = remaining;
                 pdu.contextId = contextId;
                 pdu.stub = part;
                 return EncodeResponse(pdu);
               });
}

int32_t SendFragments(cVkRpcStream& stream, const std::vector<std::vector<uint8_t>>& fragments) {
  for (const std::vector<uint8_t>& fragment : fragments) {
    int32_t code = stream.Send(fragment);
    if (code != 0) return code;
  }
  return 0;
}

StubAssembler::Step StubAssembler::Add(const PduHeader& header, std::span<const uint8_t> stub) {
  bool first = (header.flags & kPfcFirstFrag) != 0;
  if (first == inCall_) return Step::OutOfOrder;  // a first fragment inside a call, or a middle one outside
  if (!first && header.callId != callId_) return Step::OutOfOrder;
  if (first) {
    inCall_ = true;
    callId_ = header.callId;
    stub_.clear();
  }
  if (stub.size() > kMaxStubSize - stub_.size()) return Step::TooLarge;
  stub_.insert(stub_.end(), stub.begin(), stub.end());
  if ((header.flags & kPfcLastFrag) == 0) return Step::NeedMore;
  inCall_ = false;
  return Step::Complete;
}

void StubAssembler::Reset() {
  inCall_ = false;
  callId_ = 0;
  stub_.clear();
}

}  // namespace vk::rpc

int32_t VkRpcReceiveAll(cVkRpcStream& stream, std::span<uint8_t> buffer) {
  size_t done = 0;
  while (done < buffer.size()) {
    size_t received = 0;
    int32_t code = stream.Receive(buffer.subspan(done), &received);
    if (code != 0) return code;
    if (received == 0) return kVkRpcPeerClosed;
    done += received;
  }
  return 0;
}
