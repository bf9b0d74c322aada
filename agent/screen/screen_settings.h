// The screen settings as the capture uses them. Values are stored as the
// console sent them; they are made safe here, where they are used.
#pragma once

#include <cstdint>

struct cVkScreenCaptureSettings {
  int32_t fullRefreshInterval = -1;          // ms, -1: never
  int32_t foregroundRefreshInterval = 1000;  // ms, -1: never
  int32_t captureInterval = 100;             // ms
  int32_t compressionLevel = 6;              // zlib level
};

// The shortest capture interval, and with it the shortest session period.
inline constexpr int32_t VK_MIN_CAPTURE_INTERVAL = 10;
// The session period at the default capture interval, and its longest.
inline constexpr int32_t VK_SESSION_PERIOD = 100;

// A capture interval below 1 ms is unset: 100. Shorter ones than 10 ms
// would cost CPU for changes the session could not send sooner: 10.
int32_t VkCaptureIntervalAtUse(int32_t interval);
// The session loop's period for a capture interval: the interval itself
// when it is shorter than 100 ms, else 100 ms.
int32_t VkSessionPeriodFor(int32_t captureInterval);
// zlib takes -1 (its default) to 9; anything else: 6.
int32_t VkCompressionLevelAtUse(int32_t level);
// Refresh timers run only for intervals of at least 1 ms; -1, 0 and other
// negative values mean no timer (0 would flood the message window).
int32_t VkRefreshIntervalAtUse(int32_t interval);
