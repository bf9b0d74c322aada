// The authentication block: the first and only bytes a console sends on the
// update connection.
//
//   DWORD T    total length of the block, this field included
//   DWORD Lu   user name, then Lu bytes of UTF-16LE with its terminating zero
//   DWORD Ld   domain, likewise
//   DWORD Lp   password, likewise
//
// A length is 2 x characters + 2 for a non-empty text and 0 for an empty one,
// so T = 16 + Lu + Ld + Lp. The block is parsed strictly: it arrives before
// anyone is authenticated, so every length is checked against the bytes
// actually received and anything that does not add up refuses the block.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vk {

// Largest T - 4 the agent accepts.
inline constexpr uint32_t kAuthPayloadLimit = 5000;

struct cVkAuthCredentials {
  std::u16string user;
  std::u16string domain;
  std::u16string password;

  cVkAuthCredentials() = default;
  cVkAuthCredentials(const cVkAuthCredentials&) = delete;
  cVkAuthCredentials& operator=(const cVkAuthCredentials&) = delete;
  ~cVkAuthCredentials() { Wipe(); }
  // Zeroes and empties all three texts.
  void Wipe();
};

enum class AuthBlockError {
  None,
  Truncated,          // a length field or a text runs past the received bytes
  OddLength,          // a text length is not a whole number of UTF-16 units
  MissingTerminator,  // a non-empty text does not end with its zero unit
  TrailingBytes,      // bytes are left after the password
};

// True when T - 4, taken as unsigned, is within the limit (T = 5004 is the
// largest block accepted; T below 4 wraps and is refused).
bool AuthPayloadSizeAllowed(uint32_t total);

// Parses the T - 4 bytes that follow the total. On success fills `out` (the
// texts without their terminators); on failure `out` is left wiped.
AuthBlockError ParseAuthPayload(std::span<const uint8_t> payload, cVkAuthCredentials& out);

// Builds a whole block, total included, as a console sends it.
std::vector<uint8_t> BuildAuthBlock(std::u16string_view user, std::u16string_view domain, std::u16string_view password);

}  // namespace vk
