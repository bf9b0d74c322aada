#include "agent/service/managers.h"

#include "agent/service/agent_objects.h"
#include "agent/service/persistence.h"
#include "agent/service/settings_file.h"
#include "agent/service/viewing_managers.h"
#include "common/settings/register_settings.h"

namespace vk::agent {

cVkAgentManagers& AgentManagers() {
  static cVkAgentManagers managers;
  return managers;
}

void ConnectAgentManagers(cVkAgentManagers& m) {
  VkRegisterSettingsClasses();
  m.settings = {LoadSettingsFile, SaveSettingsFile};
  ConnectSecurity(m);
  ConnectViewingManagers(m);
  // Each further manager adds its lines here (see managers.h).
}

void ReportServiceRunning() { ServiceRecord().ReportRunning(); }

int32_t SaveServiceSettings(cOrkLog& log) {
  Persistence().SetSettingsSaveable(true);
  const auto& save = AgentManagers().settings.stop;
  if (!save) return 0;
  std::lock_guard lock(Persistence().SettingsSaveLock());
  return save(log);
}

void MarkSecurityChanged() { Persistence().SetSecuritySaveable(true); }

void RequestServiceStop() {
  ServiceRecord().ResetCheckpoint();
  ServiceRecord().StopEvent().Set();
}

}  // namespace vk::agent
