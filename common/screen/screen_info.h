// cVkScreenInfo: the screen format a viewing session works in.
//
// 1072 bytes: the true-colour flag, the 40-byte device-independent bitmap
// header and a colour table of 257 entries (blue, green, red, reserved): the
// three colour masks for bit-field formats, the palette for palette formats.
#pragma once

#include <array>
#include <cstdint>

#include "common/archive/object.h"
#include "common/screen/screen_geometry.h"

inline constexpr uint32_t VK_BI_RGB = 0;
inline constexpr uint32_t VK_BI_BITFIELDS = 3;

struct VkBitmapInfoHeader {
  uint32_t size = 40;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t planes = 1;
  uint16_t bitCount = 0;
  uint32_t compression = VK_BI_RGB;
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
  bool operator==(const VkBitmapInfoHeader&) const = default;
};

struct VkRgbQuad {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
  bool operator==(const VkRgbQuad&) const = default;
};

class cVkScreenInfo : public cVkObject {
  VK_DECLARE_SERIAL(cVkScreenInfo)

 public:
  static constexpr size_t kDataBytes = 4 + 40 + 257 * 4;  // 1072
  static constexpr size_t kColourEntries = 257;

  cVkScreenInfo() = default;

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

  // W, H (absolute header height) and B of this format.
  VkScreenGeometry Geometry() const;

  uint32_t trueColour = 0;
  VkBitmapInfoHeader header;
  std::array<VkRgbQuad, kColourEntries> colours{};
};
