#include "console/core/settings_rules.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "log/format.h"

namespace {

// The text as ASCII, or nothing when it holds anything else.
std::optional<std::string> Ascii(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    if (c > 0x7F) return std::nullopt;
    out += static_cast<char>(c);
  }
  return out;
}

std::optional<uint64_t> Digits(std::u16string_view text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  uint64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - u'0');
  }
  return value;
}

}  // namespace

std::u16string VkSecondsText(int32_t milliseconds) {
  std::u16string text = vk::Format(u"%.2f", static_cast<double>(milliseconds) * 0.001);
  while (!text.empty() && text.back() == u'0') text.pop_back();
  if (!text.empty() && text.back() == u'.') text.pop_back();
  return text.empty() ? u"0" : text;
}

std::optional<int32_t> VkMillisecondsFromSeconds(std::u16string_view text) {
  std::optional<std::string> ascii = Ascii(text);
  if (!ascii || ascii->empty()) return std::nullopt;
  double seconds = 0;
  const char* end = ascii->data() + ascii->size();
  auto [stop, error] = std::from_chars(ascii->data(), end, seconds);
  if (error != std::errc() || stop != end || !std::isfinite(seconds)) return std::nullopt;
  const double milliseconds = std::trunc(seconds * 1000.0);
  if (milliseconds < 1 || milliseconds > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return static_cast<int32_t>(milliseconds);
}

bool VkIntervalShowable(int32_t milliseconds) { return milliseconds == kVkIntervalOff || milliseconds >= 1; }

std::u16string VkRefreshFill(int32_t stored, std::u16string_view fallback) {
  return stored >= 1 ? VkSecondsText(stored) : std::u16string(fallback);
}

bool VkSendIntervalShowable(int32_t milliseconds) { return milliseconds >= 1 && milliseconds <= 9999999; }

std::optional<int32_t> VkSendIntervalFromText(std::u16string_view text) {
  std::optional<uint64_t> value = Digits(text);
  if (!value || *value < 1 || *value > 9999999) return std::nullopt;
  return static_cast<int32_t>(*value);
}

bool VkLevelShowable(int32_t level) { return level >= 0 && level <= 9; }

uint16_t VkPortFill(uint16_t stored, uint16_t defaultPort) {
  return stored == 0 || stored == 0xFFFF ? defaultPort : stored;
}

bool VkPortTextTooLarge(std::u16string_view text) {
  std::optional<uint64_t> value = Digits(text);
  return value && *value > 0xFFFF;
}

uint16_t VkPortToStore(std::u16string_view text, uint16_t defaultPort) {
  std::optional<uint64_t> value = Digits(text);
  if (!value || *value == 0 || *value > 0xFFFF) return defaultPort;
  return static_cast<uint16_t>(*value);
}

bool VkConnectionModeShowable(uint32_t mode) { return mode >= 1 && mode <= 3; }
bool VkNotificationModeShowable(uint32_t mode) { return mode >= 1 && mode <= 4; }
