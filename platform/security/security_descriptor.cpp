#include "platform/security/security_descriptor.h"

namespace vk {
namespace {

void Put32At(std::vector<uint8_t>* out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Get32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }

// Reads the SID at offset (0: none); false when the offset or the SID is bad.
bool SidAt(std::span<const uint8_t> bytes, uint32_t offset, std::optional<Sid>* out) {
  if (offset == 0) return true;
  if (offset < kSecurityDescriptorHeaderSize || offset >= bytes.size()) return false;
  *out = Sid::FromBytes(bytes.subspan(offset));
  return out->has_value();
}

}  // namespace

std::vector<uint8_t> SecurityDescriptor::ToSelfRelative() const {
  uint16_t control = SE_SELF_RELATIVE;
  if (ownerDefaulted) control |= SE_OWNER_DEFAULTED;
  if (groupDefaulted) control |= SE_GROUP_DEFAULTED;
  if (daclPresent) control |= SE_DACL_PRESENT;
  std::vector<uint8_t> out(kSecurityDescriptorHeaderSize, 0);
  out[0] = 1;
  out[2] = static_cast<uint8_t>(control);
  out[3] = static_cast<uint8_t>(control >> 8);
  if (daclPresent && dacl) {
    Put32At(&out, 16, static_cast<uint32_t>(out.size()));
    dacl->AppendTo(&out);
  }
  if (owner) {
    Put32At(&out, 4, static_cast<uint32_t>(out.size()));
    owner->AppendTo(&out);
  }
  if (group) {
    Put32At(&out, 8, static_cast<uint32_t>(out.size()));
    group->AppendTo(&out);
  }
  return out;
}

std::optional<SecurityDescriptor> SecurityDescriptor::FromSelfRelative(std::span<const uint8_t> bytes) {
  if (bytes.size() < kSecurityDescriptorHeaderSize || bytes[0] != 1) return std::nullopt;
  uint16_t control = static_cast<uint16_t>(bytes[2] | (bytes[3] << 8));
  if (!(control & SE_SELF_RELATIVE)) return std::nullopt;
  SecurityDescriptor sd;
  sd.ownerDefaulted = control & SE_OWNER_DEFAULTED;
  sd.groupDefaulted = control & SE_GROUP_DEFAULTED;
  sd.daclPresent = control & SE_DACL_PRESENT;
  if (!SidAt(bytes, Get32(&bytes[4]), &sd.owner) || !SidAt(bytes, Get32(&bytes[8]), &sd.group)) return std::nullopt;
  uint32_t daclOffset = Get32(&bytes[16]);
  if (sd.daclPresent && daclOffset != 0) {
    if (daclOffset < kSecurityDescriptorHeaderSize || daclOffset >= bytes.size()) return std::nullopt;
    sd.dacl = Acl::FromBytes(bytes.subspan(daclOffset));
    if (!sd.dacl) return std::nullopt;
  }
  return sd;
}

}  // namespace vk
