#include "agent/screen/screen_settings.h"

int32_t VkCaptureIntervalAtUse(int32_t interval) { return interval < 1 ? 100 : interval; }

int32_t VkCompressionLevelAtUse(int32_t level) { return level < -1 || level > 9 ? 6 : level; }

int32_t VkRefreshIntervalAtUse(int32_t interval) { return interval < 1 ? -1 : interval; }
