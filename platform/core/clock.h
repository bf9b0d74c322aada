// Wall-clock time: the current time and its local-time rendering.
#pragma once

#include <cstdint>
#include <string>

namespace vk {

// Seconds since 1970-01-01 00:00 UTC.
int32_t CurrentUnixTime();

// `time` (seconds since 1970 UTC) as local time, formatted with strftime
// conversions ("%H:%M:%S %m/%d/%Y"). The zone is the process's (TZ).
std::string FormatLocalTime(int64_t time, const char* pattern);

}  // namespace vk
