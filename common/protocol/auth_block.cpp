#include "common/protocol/auth_block.h"

#include "common/protocol/secure_wipe.h"
#include "common/protocol/wire_bytes.h"

namespace vk {

void cVkAuthCredentials::Wipe() {
  WipeText(user);
  WipeText(domain);
  WipeText(password);
}

bool AuthPayloadSizeAllowed(uint32_t total) { return static_cast<uint32_t>(total - 4u) <= kAuthPayloadLimit; }

namespace {

// Reads one length-prefixed text at `pos` and advances past it.
AuthBlockError ReadText(std::span<const uint8_t> payload, size_t& pos, std::u16string& text) {
  if (payload.size() - pos < 4) return AuthBlockError::Truncated;
  const uint32_t length = ReadLe32(payload.data() + pos);
  pos += 4;
  if (length > payload.size() - pos) return AuthBlockError::Truncated;
  if (length % 2 != 0) return AuthBlockError::OddLength;
  if (length == 0) return AuthBlockError::None;  // an empty text has no bytes at all
  const size_t units = length / 2;
  const uint8_t* bytes = payload.data() + pos;
  if (ReadLe16(bytes + 2 * (units - 1)) != 0) return AuthBlockError::MissingTerminator;
  text.reserve(units);
  for (size_t i = 0; i + 1 < units; ++i) {
    const char16_t unit = ReadLe16(bytes + 2 * i);
    if (unit == 0) break;  // the text ends at its first zero, as a C string would
    text.push_back(unit);
  }
  pos += length;
  return AuthBlockError::None;
}

}  // namespace

AuthBlockError ParseAuthPayload(std::span<const uint8_t> payload, cVkAuthCredentials& out) {
  out.Wipe();
  size_t pos = 0;
  AuthBlockError error = ReadText(payload, pos, out.user);
  if (error == AuthBlockError::None) error = ReadText(payload, pos, out.domain);
  if (error == AuthBlockError::None) error = ReadText(payload, pos, out.password);
  if (error == AuthBlockError::None && pos != payload.size()) error = AuthBlockError::TrailingBytes;
  if (error != AuthBlockError::None) out.Wipe();
  return error;
}

namespace {

size_t TextBytes(std::u16string_view text) { return text.empty() ? 0 : 2 * text.size() + 2; }

void AppendText(std::vector<uint8_t>& block, std::u16string_view text) {
  const uint32_t length = static_cast<uint32_t>(TextBytes(text));
  AppendLe32(block, length);
  if (text.empty()) return;
  for (char16_t unit : text) AppendLe16(block, unit);
  AppendLe16(block, 0);
}

}  // namespace

std::vector<uint8_t> BuildAuthBlock(std::u16string_view user, std::u16string_view domain,
                                    std::u16string_view password) {
  // Sized once: a grown block would leave a copy of the password behind.
  std::vector<uint8_t> block;
  block.reserve(4 + 3 * 4 + TextBytes(user) + TextBytes(domain) + TextBytes(password));
  AppendLe32(block, 0);  // total, filled in below
  AppendText(block, user);
  AppendText(block, domain);
  AppendText(block, password);
  WriteLe32(block.data(), static_cast<uint32_t>(block.size()));
  return block;
}

}  // namespace vk
