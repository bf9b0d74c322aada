#include "common/settings/register_settings.h"

#include "common/archive/register_archive.h"
#include "common/settings/service_settings.h"

void VkRegisterSettingsClasses() {
  VkRegisterArchiveClasses();
  VkRegisterClasses<cVkServiceSettings, cVkServiceSettingsConnection, cVkServiceSettingsInput, cVkServiceSettingsScreen,
                    cVkServiceSettingsTray>();
}
