// NDR 2.0 of the arguments of both procedures of the configuration
// interface, which share one signature:
//
//   long Proc([in] long type, [in, ref] BUFFER_PAIR* inData,
//             [out, ref] BUFFER_PAIR* outData, [out, ref] BUFFER_PAIR* outLog,
//             [out, ref] long* result);
//   typedef struct { unsigned long size; [size_is(size), unique] byte* data; } BUFFER_PAIR;
//
// A buffer pair is its size, the referent id of its pointer (0 for null),
// and for a non-null pointer the conformant array deferred after it: the
// maximum count (equal to size) and the bytes. An empty pair is size 0 with
// a null pointer. Request stub: type, inData. Response stub: outData,
// outLog, result, then the return value.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vk::rpc {

struct CallIn {
  int32_t type = 0;
  std::span<const uint8_t> inData;  // a view into the stub it was decoded from
};

struct CallOut {
  std::span<const uint8_t> outData;
  std::span<const uint8_t> outLog;
  int32_t result = 0;
  int32_t returnValue = 0;
};

std::vector<uint8_t> EncodeCallIn(int32_t type, std::span<const uint8_t> inData);
std::vector<uint8_t> EncodeCallOut(const CallOut& out);

// False for a stub that does not hold the arguments: too short, a maximum
// count other than the size, a size that runs past the stub, or a null
// pointer with a non-zero size.
bool DecodeCallIn(std::span<const uint8_t> stub, CallIn* in);
bool DecodeCallOut(std::span<const uint8_t> stub, CallOut* out);

}  // namespace vk::rpc
