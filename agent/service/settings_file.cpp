#include "agent/service/settings_file.h"

#include "common/locations/locations.h"
#include "common/settings/service_settings.h"

namespace vk::agent {

int32_t cVkSettingsFile::Start(cOrkLog&) {
  cVkServiceSettings loaded;
  int32_t code = loaded.LoadFromFile(locations_.GetSettingsFile());
  if (code == 0) settings_.CopyFrom(loaded);
  return code;
}

int32_t cVkSettingsFile::Stop(cOrkLog&) { return settings_.SaveToFile(locations_.GetSettingsFile()); }

}  // namespace vk::agent
