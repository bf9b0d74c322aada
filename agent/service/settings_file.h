// The agent's settings and their file Settings.dat, as the service starts
// (loads) and stops (saves) them.
#pragma once

#include <cstdint>

#include "agent/service/service_parts.h"

class cOrkLog;
class cVkLocations;
class cVkServiceSettings;

namespace vk::agent {

class cVkSettingsFile final : public iVkServiceManager {
 public:
  cVkSettingsFile(cVkServiceSettings& settings, const cVkLocations& locations)
      : settings_(settings), locations_(locations) {}

  // Reads Settings.dat into a fresh object and takes it over only when the
  // whole file was read: a missing (2) or damaged file leaves the settings
  // as they were (the defaults at start).
  int32_t Start(cOrkLog& log) override;
  // Writes the settings to Settings.dat atomically: a crash never leaves a
  // half-written file.
  int32_t Stop(cOrkLog& log) override;

 private:
  cVkServiceSettings& settings_;
  const cVkLocations& locations_;
};

}  // namespace vk::agent
