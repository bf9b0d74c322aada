#include "common/rpc/ndr_call.h"

#include "common/rpc/byte_io.h"

namespace vk::rpc {
namespace {

// Referent ids as common NDR engines number them.
constexpr uint32_t kFirstReferent = 0x00020000;

void WriteBufferPair(ByteWriter& w, std::span<const uint8_t> bytes, uint32_t referent) {
  w.AlignTo(4);
  w.U32(static_cast<uint32_t>(bytes.size()));
  if (bytes.empty()) {
    w.U32(0);
    return;
  }
  w.U32(referent);
  w.U32(static_cast<uint32_t>(bytes.size()));  // conformance: the maximum count
  w.Bytes(bytes);
}

bool ReadBufferPair(ByteReader& r, std::span<const uint8_t>* bytes) {
  r.AlignTo(4);
  uint32_t size = r.U32();
  uint32_t referent = r.U32();
  if (!r.Ok()) return false;
  if (referent == 0) {
    *bytes = {};
    return size == 0;
  }
  uint32_t maxCount = r.U32();
  if (!r.Ok() || maxCount != size || size > r.Remaining()) return false;
  *bytes = r.Bytes(size);
  return r.Ok();
}

}  // namespace

std::vector<uint8_t> EncodeCallIn(int32_t type, std::span<const uint8_t> inData) {
  std::vector<uint8_t> stub;
  stub.reserve(16 + inData.size());
  ByteWriter w(stub);
  w.U32(static_cast<uint32_t>(type));
  WriteBufferPair(w, inData, kFirstReferent);
  return stub;
}

std::vector<uint8_t> EncodeCallOut(const CallOut& out) {
  std::vector<uint8_t> stub;
  stub.reserve(32 + out.outData.size() + out.outLog.size());
  ByteWriter w(stub);
  WriteBufferPair(w, out.outData, kFirstReferent);
  WriteBufferPair(w, out.outLog, kFirstReferent + 4);
  w.AlignTo(4);
  w.U32(static_cast<uint32_t>(out.result));
  w.U32(static_cast<uint32_t>(out.returnValue));
  return stub;
}

bool DecodeCallIn(std::span<const uint8_t> stub, CallIn* in) {
  ByteReader r(stub);
  in->type = static_cast<int32_t>(r.U32());
  if (!r.Ok()) return false;
  return ReadBufferPair(r, &in->inData);
}

bool DecodeCallOut(std::span<const uint8_t> stub, CallOut* out) {
  ByteReader r(stub);
  if (!ReadBufferPair(r, &out->outData) || !ReadBufferPair(r, &out->outLog)) return false;
  r.AlignTo(4);
  out->result = static_cast<int32_t>(r.U32());
  out->returnValue = static_cast<int32_t>(r.U32());
  return r.Ok();
}

}  // namespace vk::rpc
