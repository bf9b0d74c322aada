#include "agent/service/settings_views.h"

#include "common/settings/service_settings.h"

namespace vk::agent {

cVkSessionSettings SessionSettingsOf(const cVkServiceSettings& settings) {
  const auto connection = settings.GetConnection();
  return {connection->GetUpdateMode(), connection->GetUpdatePort()};
}

cVkScreenCaptureSettings CaptureSettingsOf(const cVkServiceSettings& settings) {
  const auto screen = settings.GetScreen();
  cVkScreenCaptureSettings out;
  out.fullRefreshInterval = screen->GetFullRefreshInterval();
  out.foregroundRefreshInterval = screen->GetForegroundRefreshInterval();
  out.captureInterval = screen->GetCaptureInterval();
  out.compressionLevel = screen->GetCompressionLevel();
  return out;
}

uint32_t NotificationModeOf(const cVkServiceSettings& settings) { return settings.GetTray()->GetNotificationMode(); }

}  // namespace vk::agent
