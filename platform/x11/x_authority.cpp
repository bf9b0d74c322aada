#include "platform/x11/x_authority.h"

#include <charconv>
#include <fstream>
#include <iterator>

#include "platform/core/error_codes.h"
#include "platform/x11/x_connection.h"

namespace vk::x11 {
namespace {

constexpr const char* kMitCookie = "MIT-MAGIC-COOKIE-1";
constexpr uint16_t kFamilyLocal = 256;
constexpr uint16_t kFamilyWild = 65535;
// Authority files hold a few entries; anything far larger is not one.
constexpr size_t kMaxFileSize = 1 << 20;

// Reads the big-endian counted fields of one entry; false at a damaged end.
class EntryReader {
 public:
  explicit EntryReader(const std::string& bytes) : bytes_(bytes) {}
  bool AtEnd() const { return at_ == bytes_.size(); }
  bool ReadShort(uint16_t* value) {
    if (bytes_.size() - at_ < 2) return false;
    *value = static_cast<uint16_t>((static_cast<uint8_t>(bytes_[at_]) << 8) | static_cast<uint8_t>(bytes_[at_ + 1]));
    at_ += 2;
    return true;
  }
  bool ReadCounted(std::string* value) {
    uint16_t length = 0;
    if (!ReadShort(&length) || bytes_.size() - at_ < length) return false;
    value->assign(bytes_, at_, length);
    at_ += length;
    return true;
  }

 private:
  const std::string& bytes_;
  size_t at_ = 0;
};

bool NumberMatches(const std::string& text, int number) {
  if (text.empty()) return true;
  int value = -1;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value == number;
}

}  // namespace

int32_t ParseXCookie(const std::string& bytes, int number, XCookie* cookie) {
  EntryReader reader(bytes);
  while (!reader.AtEnd()) {
    uint16_t family = 0;
    std::string address, display, name, data;
    if (!reader.ReadShort(&family) || !reader.ReadCounted(&address) || !reader.ReadCounted(&display) ||
        !reader.ReadCounted(&name) || !reader.ReadCounted(&data))
      return ERROR_INVALID_DATA;
    // Local connections use the local and wild entries only.
    if (family != kFamilyLocal && family != kFamilyWild) continue;
    if (name != kMitCookie || data.empty() || !NumberMatches(display, number)) continue;
    *cookie = XCookie{name, data};
    return 0;
  }
  return ERROR_FILE_NOT_FOUND;
}

int32_t ReadXCookie(const std::string& file, int number, XCookie* cookie) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return ERROR_FILE_NOT_FOUND;
  std::string bytes;
  char chunk[4096];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.append(chunk, static_cast<size_t>(in.gcount()));
    if (bytes.size() > kMaxFileSize) return ERROR_INVALID_DATA;
  }
  return ParseXCookie(bytes, number, cookie);
}

_XDisplay* OpenDisplayWithAuthority(const std::string& display, const std::string& authorityFile) {
  if (display.size() < 2 || display[0] != ':') return nullptr;
  int number = -1;
  auto [end, error] = std::from_chars(display.data() + 1, display.data() + display.size(), number);
  if (error != std::errc() || number < 0 || (end != display.data() + display.size() && *end != '.')) return nullptr;
  XCookie cookie;
  if (ReadXCookie(authorityFile, number, &cookie) != 0) return nullptr;
  return OpenDisplay(display, cookie.name, cookie.data);
}

}  // namespace vk::x11
