// cVkScreenInfo: the screen format a viewing session works in, as the
// serialisable record that carries it: 1072 bytes, the true-colour flag, the
// 40-byte bitmap header and the 257-entry colour table.
#pragma once

#include <array>
#include <cstdint>

#include "common/archive/object.h"
#include "platform/geometry/screen_format.h"

class cVkScreenInfo : public cVkObject, public VkScreenFormat {
  VK_DECLARE_SERIAL(cVkScreenInfo)

 public:
  static constexpr size_t kDataBytes = 4 + 40 + kColourEntries * 4;  // 1072

  cVkScreenInfo() = default;
  explicit cVkScreenInfo(const VkScreenFormat& format) : VkScreenFormat(format) {}

  // A true-colour format with bit-field masks (the masks go into the first
  // three colour-table entries, as little-endian DWORDs), top-down rows.
  static cVkScreenInfo ForTrueColour(int32_t width, int32_t height, uint16_t bitCount, uint32_t redMask,
                                     uint32_t greenMask, uint32_t blueMask);

  void Serialize(cVkArchive& archive) override;
  void CopyFrom(const cVkObject& other) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;

  // The 1072 data bytes, and back.
  std::array<uint8_t, kDataBytes> ToBytes() const;
  void FromBytes(const uint8_t* bytes);
};
