#include "agent/session/agent_session_settings.h"

#include "common/settings/service_settings.h"

namespace vk::agent {

cVkSessionSettings SessionSettingsOf(const cVkServiceSettings& settings) {
  const auto connection = settings.GetConnection();
  return {connection->GetUpdateMode(), connection->GetUpdatePort()};
}

cVkSessionInputSettings InputSettingsOf(const cVkServiceSettings& settings) {
  const auto connection = settings.GetConnection();
  const auto input = settings.GetInput();
  return {input->inputFlags, connection->GetInputMode(), connection->GetInputPort()};
}

uint32_t NotificationModeOf(const cVkServiceSettings& settings) { return settings.GetTray()->GetNotificationMode(); }

}  // namespace vk::agent
