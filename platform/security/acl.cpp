#include "platform/security/acl.h"

namespace vk {
namespace {

void Put16(std::vector<uint8_t>* out, uint32_t v) {
  out->push_back(static_cast<uint8_t>(v));
  out->push_back(static_cast<uint8_t>(v >> 8));
}

uint32_t Get16(const uint8_t* p) { return p[0] | (p[1] << 8); }

}  // namespace

uint32_t Acl::Size() const {
  uint32_t size = 8;
  for (const Ace& ace : entries) size += ace.Size();
  return size;
}

void Acl::AppendTo(std::vector<uint8_t>* out) const {
  out->push_back(ACL_REVISION);
  out->push_back(0);
  Put16(out, Size());
  Put16(out, static_cast<uint32_t>(entries.size()));
  Put16(out, 0);
  for (const Ace& ace : entries) {
    out->push_back(ace.type);
    out->push_back(ace.flags);
    Put16(out, ace.Size());
    for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<uint8_t>(ace.mask >> shift));
    ace.sid.AppendTo(out);
  }
}

std::optional<Acl> Acl::FromBytes(std::span<const uint8_t> bytes) {
  if (bytes.size() < 8 || (bytes[0] != ACL_REVISION && bytes[0] != 4)) return std::nullopt;
  uint32_t size = Get16(&bytes[2]);
  uint32_t count = Get16(&bytes[4]);
  if (size < 8 || size > bytes.size()) return std::nullopt;
  Acl acl;
  size_t pos = 8;
  for (uint32_t i = 0; i < count; ++i) {
    if (pos + 8 > size) return std::nullopt;
    const uint8_t* p = &bytes[pos];
    uint32_t aceSize = Get16(p + 2);
    if (aceSize < 8 || pos + aceSize > size) return std::nullopt;
    if (p[0] != ACCESS_ALLOWED_ACE_TYPE && p[0] != ACCESS_DENIED_ACE_TYPE) return std::nullopt;
    size_t sidLength = 0;
    auto sid = Sid::FromBytes(bytes.subspan(pos + 8, aceSize - 8), &sidLength);
    if (!sid) return std::nullopt;
    uint32_t mask = p[4] | (p[5] << 8) | (p[6] << 16) | (static_cast<uint32_t>(p[7]) << 24);
    acl.entries.push_back(Ace{p[0], p[1], mask, *sid});
    pos += aceSize;
  }
  return acl;
}

}  // namespace vk
