#include "common/screen/screen_info.h"

#include <cstdlib>

#include "common/archive/archive.h"
#include "common/archive/field_visitor.h"

// Registered under the platform root; it has no Clone.
VK_IMPLEMENT_SERIAL(cVkScreenInfo, nullptr, 1)

namespace {

class Writer {
 public:
  explicit Writer(uint8_t* p) : p_(p) {}
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) *p_++ = static_cast<uint8_t>(v >> (8 * i));
  }
  void U16(uint16_t v) {
    *p_++ = static_cast<uint8_t>(v);
    *p_++ = static_cast<uint8_t>(v >> 8);
  }
  void U8(uint8_t v) { *p_++ = v; }

 private:
  uint8_t* p_;
};

class Reader {
 public:
  explicit Reader(const uint8_t* p) : p_(p) {}
  uint32_t U32() {
    uint32_t v = static_cast<uint32_t>(p_[0]) | (static_cast<uint32_t>(p_[1]) << 8) |
                 (static_cast<uint32_t>(p_[2]) << 16) | (static_cast<uint32_t>(p_[3]) << 24);
    p_ += 4;
    return v;
  }
  uint16_t U16() {
    uint16_t v = static_cast<uint16_t>(p_[0] | (p_[1] << 8));
    p_ += 2;
    return v;
  }
  uint8_t U8() { return *p_++; }

 private:
  const uint8_t* p_;
};

}  // namespace

cVkScreenInfo cVkScreenInfo::ForTrueColour(int32_t width, int32_t height, uint16_t bitCount, uint32_t redMask,
                                           uint32_t greenMask, uint32_t blueMask) {
  cVkScreenInfo info;
  info.trueColour = 1;
  info.header.width = width;
  info.header.height = height;
  info.header.bitCount = bitCount;
  info.header.compression = VK_BI_BITFIELDS;
  info.header.sizeImage = static_cast<uint32_t>(static_cast<uint64_t>(width) * (bitCount / 8) *
                                                static_cast<uint64_t>(std::abs(static_cast<int64_t>(height))));
  uint32_t masks[3] = {redMask, greenMask, blueMask};
  for (int i = 0; i < 3; ++i) {
    info.colours[i] = VkRgbQuad::FromDword(masks[i]);
  }
  return info;
}

std::array<uint8_t, cVkScreenInfo::kDataBytes> cVkScreenInfo::ToBytes() const {
  std::array<uint8_t, kDataBytes> bytes{};
  Writer w(bytes.data());
  w.U32(trueColour);
  w.U32(header.size);
  w.U32(static_cast<uint32_t>(header.width));
  w.U32(static_cast<uint32_t>(header.height));
  w.U16(header.planes);
  w.U16(header.bitCount);
  w.U32(header.compression);
  w.U32(header.sizeImage);
  w.U32(static_cast<uint32_t>(header.xPelsPerMeter));
  w.U32(static_cast<uint32_t>(header.yPelsPerMeter));
  w.U32(header.clrUsed);
  w.U32(header.clrImportant);
  for (const VkRgbQuad& c : colours) {
    w.U8(c.blue);
    w.U8(c.green);
    w.U8(c.red);
    w.U8(c.reserved);
  }
  return bytes;
}

void cVkScreenInfo::FromBytes(const uint8_t* bytes) {
  Reader r(bytes);
  trueColour = r.U32();
  header.size = r.U32();
  header.width = static_cast<int32_t>(r.U32());
  header.height = static_cast<int32_t>(r.U32());
  header.planes = r.U16();
  header.bitCount = r.U16();
  header.compression = r.U32();
  header.sizeImage = r.U32();
  header.xPelsPerMeter = static_cast<int32_t>(r.U32());
  header.yPelsPerMeter = static_cast<int32_t>(r.U32());
  header.clrUsed = r.U32();
  header.clrImportant = r.U32();
  for (VkRgbQuad& c : colours) {
    c.blue = r.U8();
    c.green = r.U8();
    c.red = r.U8();
    c.reserved = r.U8();
  }
}

void cVkScreenInfo::Serialize(cVkArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteDword(1);
    ar.WriteBytes(ToBytes());
    return;
  }
  if (ar.ReadLayoutVersion(*this) != 1) return;
  std::array<uint8_t, kDataBytes> bytes;
  if (ar.ReadExact(bytes.data(), bytes.size())) FromBytes(bytes.data());
}

void cVkScreenInfo::CopyFrom(const cVkObject& other) {
  auto* source = dynamic_cast<const cVkScreenInfo*>(&other);
  if (source == nullptr) return;
  static_cast<VkScreenFormat&>(*this) = *source;
}

void cVkScreenInfo::VisitFields(cVkFieldVisitor& visitor) const {
  visitor.Number("trueColour", trueColour);
  visitor.Number("header.size", header.size);
  visitor.Number("header.width", header.width);
  visitor.Number("header.height", header.height);
  visitor.Number("header.planes", header.planes);
  visitor.Number("header.bitCount", header.bitCount);
  visitor.Number("header.compression", header.compression);
  visitor.Number("header.sizeImage", header.sizeImage);
  visitor.Number("header.xPelsPerMeter", header.xPelsPerMeter);
  visitor.Number("header.yPelsPerMeter", header.yPelsPerMeter);
  visitor.Number("header.clrUsed", header.clrUsed);
  visitor.Number("header.clrImportant", header.clrImportant);
  // The colour table as 257 DWORDs (blue, green, red, reserved from the low byte).
  visitor.BeginList("colours");
  for (const VkRgbQuad& c : colours) {
    visitor.Number({}, static_cast<int64_t>(c.ToDword()));
  }
  visitor.EndList();
}
