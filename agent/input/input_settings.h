// What the input handler reads from the agent's settings at each start: the
// input part and the input channel.
#pragma once

#include <cstdint>

#include "common/settings/settings_parts.h"

class cVkServiceSettings;

struct cVkInputSettings {
  uint32_t inputFlags = INPUT_ALLOW_KEYBOARD | INPUT_ALLOW_CTRL_ALT_DEL | INPUT_ALLOW_MOUSE;
  uint16_t inputMode = CONNECTION_NORMAL;
  uint16_t inputPort = 48386;
};

cVkInputSettings InputSettingsFrom(const cVkServiceSettings& settings);
