// Security identifiers in their binary form: revision 1, the count of
// sub-authorities, a 6-byte big-endian identifier authority, then each
// sub-authority as a little-endian 32-bit number (8 + 4 * count bytes).
//
// Accounts of this computer are S-1-22-1-<uid> (users) and S-1-22-2-<gid>
// (groups); the built-in Administrators alias is S-1-5-32-544.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vk {

class Sid {
 public:
  static constexpr size_t kMaxSubAuthorities = 15;

  Sid() = default;
  Sid(uint64_t authority, std::vector<uint32_t> subAuthorities);

  static Sid Administrators();
  static Sid UnixUser(uint32_t uid);
  static Sid UnixGroup(uint32_t gid);

  // Reads a SID at the start of bytes; *used is its length.
  static std::optional<Sid> FromBytes(std::span<const uint8_t> bytes, size_t* used = nullptr);
  // Reads the text form "S-1-5-32-544".
  static std::optional<Sid> Parse(std::u16string_view text);

  bool IsValid() const { return !subs_.empty() || authority_ != 0; }
  uint32_t Length() const { return static_cast<uint32_t>(8 + 4 * subs_.size()); }
  uint64_t Authority() const { return authority_; }
  const std::vector<uint32_t>& SubAuthorities() const { return subs_; }

  void AppendTo(std::vector<uint8_t>* out) const;
  std::vector<uint8_t> ToBytes() const;
  std::u16string ToString() const;

  // The uid or gid of an account of this computer.
  std::optional<uint32_t> UnixUid() const;
  std::optional<uint32_t> UnixGid() const;

  bool operator==(const Sid&) const = default;

 private:
  uint64_t authority_ = 0;  // 48 bits
  std::vector<uint32_t> subs_;
};

}  // namespace vk
