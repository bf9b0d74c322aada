// The agent's settings as the session, the capture and the tray take them,
// each read as a copy when an activity starts.
#pragma once

#include <cstdint>

#include "agent/input/input_settings.h"
#include "agent/screen/screen_settings.h"
#include "agent/session/session_parts.h"

class cVkServiceSettings;

namespace vk::agent {

cVkSessionSettings SessionSettingsOf(const cVkServiceSettings& settings);
cVkScreenCaptureSettings CaptureSettingsOf(const cVkServiceSettings& settings);
uint32_t NotificationModeOf(const cVkServiceSettings& settings);

}  // namespace vk::agent
