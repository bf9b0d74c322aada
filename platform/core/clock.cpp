#include "platform/core/clock.h"

#include <ctime>

namespace vk {

int32_t CurrentUnixTime() { return static_cast<int32_t>(std::time(nullptr)); }

std::string FormatLocalTime(int64_t time, const char* pattern) {
  const std::time_t t = static_cast<std::time_t>(time);
  std::tm parts{};
  if (!localtime_r(&t, &parts)) return {};
  char text[128];
  const size_t n = std::strftime(text, sizeof text, pattern, &parts);
  return std::string(text, n);
}

}  // namespace vk
