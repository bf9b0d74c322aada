#include "common/protocol/input_codes.h"

namespace vk {
namespace {

void PutDword(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetDword(const uint8_t* in) {
  return static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) | (static_cast<uint32_t>(in[2]) << 16) |
         (static_cast<uint32_t>(in[3]) << 24);
}

}  // namespace

std::array<uint8_t, kInputDatagramSize> EncodeInputDatagram(const InputDatagram& datagram) {
  std::array<uint8_t, kInputDatagramSize> bytes{};
  PutDword(bytes.data(), datagram.code);
  PutDword(bytes.data() + 4, datagram.param1);
  PutDword(bytes.data() + 8, datagram.param2);
  return bytes;
}

std::optional<InputDatagram> DecodeInputDatagram(std::span<const uint8_t> bytes) {
  if (bytes.size() != kInputDatagramSize) return std::nullopt;
  return InputDatagram{GetDword(bytes.data()), GetDword(bytes.data() + 4), GetDword(bytes.data() + 8)};
}

}  // namespace vk
