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

// A capture interval below 1 ms would make the capture loop spin: 100.
int32_t VkCaptureIntervalAtUse(int32_t interval);
// zlib takes -1 (its default) to 9; anything else: 6.
int32_t VkCompressionLevelAtUse(int32_t level);
// Refresh timers run only for intervals of at least 1 ms; -1, 0 and other
// negative values mean no timer (0 would flood the message window).
int32_t VkRefreshIntervalAtUse(int32_t interval);
