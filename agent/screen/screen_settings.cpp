#include "agent/screen/screen_settings.h"

#include <algorithm>

int32_t VkCaptureIntervalAtUse(int32_t interval) {
  if (interval < 1) return 100;
  return std::max(interval, VK_MIN_CAPTURE_INTERVAL);
}

int32_t VkSessionPeriodFor(int32_t captureInterval) {
  return std::min(VkCaptureIntervalAtUse(captureInterval), VK_SESSION_PERIOD);
}

int32_t VkCompressionLevelAtUse(int32_t level) { return level < -1 || level > 9 ? 6 : level; }

int32_t VkRefreshIntervalAtUse(int32_t interval) { return interval < 1 ? -1 : interval; }
