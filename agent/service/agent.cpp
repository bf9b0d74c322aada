#include "agent/service/agent.h"

#include "agent/rpc/agent_rpc_listener.h"
#include "agent/rpc/publish_port.h"
#include "agent/service/agent_version.h"
#include "agent/service/event_mirror.h"
#include "agent/service/locations_setup.h"
#include "agent/service/settings_views.h"
#include "agent/tray/session_tray_host.h"
#include "common/settings/register_settings.h"
#include "platform/service/dispatcher.h"
#include "platform/service/process_info.h"
#include "platform/core/text.h"
#include "platform/x11/display_target.h"
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

cVkAnnouncedPorts AnnouncedPortsOf(const cVkServiceSettings& settings) {
  const auto connection = settings.GetConnection();
  return {vk::UpdatePortAtUse(connection->GetUpdatePort()), connection->GetInputPort()};
}

// The tray helper beside the agent's program, started in the user's session.
std::string TrayHelperPath() {
  std::string program = vk::ToUtf8(vk::service::ProgramFilePath());
  return program.substr(0, program.rfind('/') + 1) + "deskagent-tray";
}

}  // namespace

cVkAgent::cVkAgent()
    : power_(vk::CreateLogindPowerControl()),
      desktops_(vk::x11::EnvironmentNamesDisplay() ? nullptr : std::make_unique<cVkSessionDesktopSource>()),
      screen_([this] { return CaptureSettingsOf(settings_); }, &logFile_, desktops_.get()),
      tray_(
          viewer_, [this] { return NotificationModeOf(settings_); },
          [this](cVkTrayHelperEvents& events) {
            cVkSessionTrayHost::Config config;
            config.helperProgram = TrayHelperPath();
            config.writeLog = [this](cOrkLog& log) { logFile_.AppendLogToFile(log); };
            return std::make_unique<cVkSessionTrayHost>(events, std::move(config));
          }),
      input_({viewer_, screen_, [this] { return InputSettingsFrom(settings_); }, &logFile_, *power_, inputBlocker_},
             vk::CreateXTestInjector()),
      sessions_(SessionParts(viewer_, security_, tray_, input_, screen_, settings_, logFile_)),
      announcer_([this] { return AnnouncedPortsOf(settings_); }, &logFile_),
      rpc_(MakeRpcListener()),
      service_(
          {serviceLog_, locations_, logFile_, settingsFile_, security_, &tray_, &sessions_, rpc_.get(), &announcer_}) {
  VkRegisterSettingsClasses();
}

// The listener's calls work on this agent's settings and access rights and
// report through its service, which exists by the time they run.
std::unique_ptr<iVkRpcListener> cVkAgent::MakeRpcListener() {
  cVkRpcAgentContext c;
  c.settings = &settings_;
  c.security = &security_;
  c.saveSettings = [this](cOrkLog& log) { return service_.SaveServiceSettings(log); };
  c.markSecurityChanged = [this] { service_.MarkSecurityChanged(); };
  c.reportStartPending = [this](uint32_t hint) { service_.Record().ReportStartPending(hint); };
  c.reportStopPending = [this](uint32_t hint) { service_.Record().ReportStopPending(hint); };
  c.reportRunning = [this] { service_.ReportServiceRunning(); };
  c.requestServiceStop = [this] { service_.RequestServiceStop(); };
  c.setupActivityLog = [](cOrkLog& log) { SetupAgentLog(log, false); };
  c.appendLogToFile = [this](cOrkLog& log) { logFile_.AppendLogToFile(log); };
  c.serviceLog = &serviceLog_;
  c.publishPort = [this](cOrkLog& log, int32_t port) {
    announcer_.SetRpcPort(port);
    return PublishRpcPort(log, port);
  };
  return std::make_unique<cVkAgentRpcListener>(std::move(c));
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
