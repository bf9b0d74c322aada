#include "agent/service/settings_file.h"

#include "agent/service/agent_objects.h"
#include "common/settings/service_settings.h"

namespace vk::agent {

int32_t LoadSettingsFile(cOrkLog&) {
  cVkServiceSettings loaded;
  int32_t code = loaded.LoadFromFile(Locations().GetSettingsFile());
  if (code == 0) ServiceSettings().CopyFrom(loaded);
  return code;
}

int32_t SaveSettingsFile(cOrkLog&) { return ServiceSettings().SaveToFile(Locations().GetSettingsFile()); }

}  // namespace vk::agent
