#include "agent/service/agent.h"

#include "agent/service/agent_version.h"
#include "agent/service/event_mirror.h"
#include "agent/service/locations_setup.h"
#include "agent/service/settings_views.h"
#include "common/settings/register_settings.h"
#include "platform/service/dispatcher.h"
#include "platform/service/process_info.h"
#include "platform/xtest/input_injector.h"

namespace vk::agent {
namespace {

vk::cVkSessionParts SessionParts(vk::cVkSessionViewer& viewer, cVkAgentSecurity& security, cVkTrayManager& tray,
                                 cVkInputHandler& input, vk::cVkSessionScreen& screen,
                                 const cVkServiceSettings& settings, iVkLogSink& logFile) {
  vk::cVkSessionParts parts;
  parts.viewer = &viewer;
  parts.logon = &security;
  parts.tray = &tray;
  parts.input = &input;
  parts.screen = &screen;
  parts.settings = [&settings] { return SessionSettingsOf(settings); };
  parts.logFile = &logFile;
  return parts;
}

}  // namespace

cVkAgent::cVkAgent()
    : power_(vk::CreateLogindPowerControl()),
      screen_([this] { return CaptureSettingsOf(settings_); }, &logFile_),
      tray_(viewer_, [this] { return NotificationModeOf(settings_); }),
      input_({viewer_, screen_, [this] { return InputSettingsFrom(settings_); }, &logFile_, *power_, inputBlocker_},
             vk::CreateXTestInjector()),
      sessions_(SessionParts(viewer_, security_, tray_, input_, screen_, settings_, logFile_)),
      rpc_(nullptr),  // the configuration RPC listener is built here
      service_({serviceLog_, locations_, logFile_, settingsFile_, security_, &tray_, &sessions_, rpc_.get()}) {
  VkRegisterSettingsClasses();
}

void cVkAgent::SetUpLocations() {
  cOrkLog startupLog;
  SetupAgentLog(startupLog, false);
  int32_t code = ::InitializeLocations(locations_, startupLog, vk::service::ProgramFilePath());
  if (code == 0) return;
  startupLog.LogMsg(LOG_ERROR, code, u"An error has occurred while initializing the locations object.");
  startupLog.LogMsg(LOG_WARNING, u"Default locations will be used.");
  logFile_.AppendLogToFile(startupLog);
}

int cVkAgent::Run() {
  SetupAgentLog(serviceLog_, true);
  InstallEventMirror();
  SetUpLocations();
  int32_t code = vk::service::RunServiceDispatcher(kServiceName, [this] { service_.ServiceMain(); });
  if (code != 0) return code & 0xFF ? code & 0xFF : 1;
  return service_.Result() == 0 ? 0 : 1;
}

}  // namespace vk::agent
