#include "common/rpc/byte_io.h"

namespace vk::rpc {

void ByteWriter::U16(uint16_t value) {
  out_.push_back(static_cast<uint8_t>(value));
  out_.push_back(static_cast<uint8_t>(value >> 8));
}

void ByteWriter::U32(uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out_.push_back(static_cast<uint8_t>(value >> shift));
}

void ByteWriter::AlignTo(size_t alignment, size_t origin) {
  while ((out_.size() - origin) % alignment != 0) out_.push_back(0);
}

void ByteWriter::PatchU16(size_t offset, uint16_t value) {
  out_[offset] = static_cast<uint8_t>(value);
  out_[offset + 1] = static_cast<uint8_t>(value >> 8);
}

uint16_t LoadU16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)); }

uint32_t LoadU32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

bool ByteReader::Take(size_t count) {
  if (!ok_ || count > Remaining()) {
    ok_ = false;
    position_ = bytes_.size();
    return false;
  }
  return true;
}

uint8_t ByteReader::U8() {
  if (!Take(1)) return 0;
  return bytes_[position_++];
}

uint16_t ByteReader::U16() {
  if (!Take(2)) return 0;
  uint16_t value = LoadU16(bytes_.data() + position_);
  position_ += 2;
  return value;
}

uint32_t ByteReader::U32() {
  if (!Take(4)) return 0;
  uint32_t value = LoadU32(bytes_.data() + position_);
  position_ += 4;
  return value;
}

std::span<const uint8_t> ByteReader::Bytes(size_t count) {
  if (!Take(count)) return {};
  std::span<const uint8_t> view = bytes_.subspan(position_, count);
  position_ += count;
  return view;
}

void ByteReader::AlignTo(size_t alignment, size_t origin) {
  if (position_ < origin) return;
  size_t misalign = (position_ - origin) % alignment;
  if (misalign != 0) Skip(alignment - misalign);
}

}  // namespace vk::rpc
