#include "platform/security/sid.h"

#include <charconv>

#include "platform/core/text.h"

namespace vk {

Sid::Sid(uint64_t authority, std::vector<uint32_t> subAuthorities)
    : authority_(authority & 0xFFFFFFFFFFFFull), subs_(std::move(subAuthorities)) {
  if (subs_.size() > kMaxSubAuthorities) subs_.resize(kMaxSubAuthorities);
}

Sid Sid::Administrators() { return Sid(5, {32, 544}); }
Sid Sid::UnixUser(uint32_t uid) { return Sid(22, {1, uid}); }
Sid Sid::UnixGroup(uint32_t gid) { return Sid(22, {2, gid}); }

std::optional<Sid> Sid::FromBytes(std::span<const uint8_t> bytes, size_t* used) {
  if (bytes.size() < 8 || bytes[0] != 1 || bytes[1] > kMaxSubAuthorities) return std::nullopt;
  size_t count = bytes[1];
  if (bytes.size() < 8 + 4 * count) return std::nullopt;
  uint64_t authority = 0;
  for (size_t i = 2; i < 8; ++i) authority = (authority << 8) | bytes[i];
  std::vector<uint32_t> subs(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = &bytes[8 + 4 * i];
    subs[i] = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
  }
  if (used) *used = 8 + 4 * count;
  return Sid(authority, std::move(subs));
}

std::optional<Sid> Sid::Parse(std::u16string_view text) {
  std::string narrow = ToUtf8(text);
  if (narrow.size() < 4 || (narrow[0] != 'S' && narrow[0] != 's') || narrow.substr(1, 3) != "-1-") return std::nullopt;
  const char* p = narrow.data() + 4;
  const char* end = narrow.data() + narrow.size();
  uint64_t authority = 0;
  auto [next, ec] = std::from_chars(p, end, authority);
  if (ec != std::errc() || next == p || authority > 0xFFFFFFFFFFFFull) return std::nullopt;
  std::vector<uint32_t> subs;
  p = next;
  while (p != end) {
    if (*p != '-' || subs.size() == kMaxSubAuthorities) return std::nullopt;
    uint32_t sub = 0;
    auto [after, err] = std::from_chars(p + 1, end, sub);
    if (err != std::errc() || after == p + 1) return std::nullopt;
    subs.push_back(sub);
    p = after;
  }
  return Sid(authority, std::move(subs));
}

void Sid::AppendTo(std::vector<uint8_t>* out) const {
  out->push_back(1);
  out->push_back(static_cast<uint8_t>(subs_.size()));
  for (int shift = 40; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(authority_ >> shift));
  for (uint32_t sub : subs_)
    for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<uint8_t>(sub >> shift));
}

std::vector<uint8_t> Sid::ToBytes() const {
  std::vector<uint8_t> out;
  AppendTo(&out);
  return out;
}

std::u16string Sid::ToString() const {
  std::string text = "S-1-" + std::to_string(authority_);
  for (uint32_t sub : subs_) text += "-" + std::to_string(sub);
  return FromUtf8(text);
}

std::optional<uint32_t> Sid::UnixUid() const {
  if (authority_ != 22 || subs_.size() != 2 || subs_[0] != 1) return std::nullopt;
  return subs_[1];
}

std::optional<uint32_t> Sid::UnixGid() const {
  if (authority_ != 22 || subs_.size() != 2 || subs_[0] != 2) return std::nullopt;
  return subs_[1];
}

}  // namespace vk
