// The agent's settings as the session's parts take them, each read as a copy
// when an activity starts. (Kept apart from the parts' own headers, which
// name the same flag constants.)
#pragma once

#include <cstdint>

#include "agent/screen/screen_settings.h"
#include "agent/session/session_parts.h"

class cVkServiceSettings;

namespace vk::agent {

struct cVkSessionInputSettings {
  uint32_t inputFlags = 11;
  uint32_t inputMode = 2;
  uint16_t inputPort = 48386;
};

cVkSessionSettings SessionSettingsOf(const cVkServiceSettings& settings);
cVkScreenCaptureSettings CaptureSettingsOf(const cVkServiceSettings& settings);
cVkSessionInputSettings InputSettingsOf(const cVkServiceSettings& settings);
uint32_t NotificationModeOf(const cVkServiceSettings& settings);

}  // namespace vk::agent
