// Little-endian writing and bounds-checked reading of PDU fields.
//
// The reader never reads past its span: a field that does not fit marks the
// reader failed, answers zero and leaves the position at the end, so a
// decoder checks Ok() once after reading a group of fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vk::rpc {

class ByteWriter {
 public:
  explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}

  void U8(uint8_t value) { out_.push_back(value); }
  void U16(uint16_t value);
  void U32(uint32_t value);
  void Bytes(std::span<const uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
  // Zero bytes up to the next multiple of `alignment` counted from `origin`.
  void AlignTo(size_t alignment, size_t origin = 0);
  // Overwrites a 16-bit field written earlier.
  void PatchU16(size_t offset, uint16_t value);
  size_t Size() const { return out_.size(); }

 private:
  std::vector<uint8_t>& out_;
};

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  // A view of the next `count` bytes (empty and failed when they are not there).
  std::span<const uint8_t> Bytes(size_t count);
  void Skip(size_t count) { Bytes(count); }
  // Skips to the next multiple of `alignment` counted from `origin`.
  void AlignTo(size_t alignment, size_t origin = 0);

  bool Ok() const { return ok_; }
  size_t Position() const { return position_; }
  size_t Remaining() const { return bytes_.size() - position_; }

 private:
  bool Take(size_t count);

  std::span<const uint8_t> bytes_;
  size_t position_ = 0;
  bool ok_ = true;
};

uint16_t LoadU16(const uint8_t* bytes);
uint32_t LoadU32(const uint8_t* bytes);

}  // namespace vk::rpc
