// The agent's settings and their file Settings.dat.
#pragma once

#include <cstdint>

class cOrkLog;

namespace vk::agent {

// Reads Settings.dat into a fresh object and takes it over only when the
// whole file was read: a missing (2) or damaged file leaves the settings as
// they were (the defaults at start).
int32_t LoadSettingsFile(cOrkLog& log);
// Writes the settings to Settings.dat atomically: a crash never leaves a
// half-written file.
int32_t SaveSettingsFile(cOrkLog& log);

}  // namespace vk::agent
