// cVkAgent: DeskAgent assembled. main() builds one and runs it.
//
// The agent owns every part of the service for the life of the process and
// hands each part what it needs when it builds it:
//
//   settings, locations, the log file and the access rights
//   the screen capture            <- settings, log file
//   the session's viewer record   (written by the session manager)
//   the tray manager              <- viewer record (who is connected), settings,
//                                    the tray helper in the user's session
//   the input handler             <- viewer record (the viewer's identity),
//                                    screen capture (full refresh), settings,
//                                    log file, power control, input blocker
//   the session manager           <- viewer record, access rights (logon
//                                    check), tray, input, screen capture,
//                                    settings, log file
//   the RPC listener              (to come: settings, access rights, log
//                                    file; the service frame hands it the
//                                    service control when it starts it)
//   the announcement              <- settings (viewing ports), the RPC
//                                    listener's port once published
//   the service frame             <- settings file, access rights, tray,
//                                    session manager, the RPC listener,
//                                    the announcement
//
// The screen capture, the desktop tracking and the input handler run only
// while a viewing session runs: the session starts and stops them.
#pragma once

#include <memory>

#include "agent/announce/agent_announcer.h"
#include "agent/desktop/session_desktop_source.h"
#include "agent/input/deskhook_input_blocker.h"
#include "agent/input/input_handler.h"
#include "agent/security/agent_security.h"
#include "agent/service/agent_log.h"
#include "agent/service/service.h"
#include "agent/service/settings_file.h"
#include "agent/session/session_manager.h"
#include "agent/session/session_screen.h"
#include "agent/session/session_viewer.h"
#include "agent/tray/tray_manager.h"
#include "common/locations/locations.h"
#include "common/settings/service_settings.h"
#include "log/orklog.h"
#include "platform/power/power_control.h"

namespace vk::agent {

class cVkAgent {
 public:
  cVkAgent();
  cVkAgent(const cVkAgent&) = delete;
  cVkAgent& operator=(const cVkAgent&) = delete;

  // Sets up the logs and the locations, then hands the service to the
  // service dispatcher; returns the process's exit status once the service
  // has stopped (0, or 1 when it failed; the dispatcher's code when it could
  // not run).
  int Run();

  cOrkLog& ServiceLog() { return serviceLog_; }
  cVkLocations& Locations() { return locations_; }
  cVkServiceSettings& Settings() { return settings_; }
  cVkAgentSecurity& Security() { return security_; }
  cVkService& Service() { return service_; }

 private:
  void SetUpLocations();
  std::unique_ptr<iVkRpcListener> MakeRpcListener();

  cOrkLog serviceLog_;
  cVkLocations locations_;
  cVkAgentLogFile logFile_{locations_};
  cVkServiceSettings settings_;
  cVkSettingsFile settingsFile_{settings_, locations_};
  cVkAgentSecurity security_{&logFile_};

  std::unique_ptr<vk::iVkPowerControl> power_;
  cVkDeskHookInputBlocker inputBlocker_;
  // Seat0's active session, unless the agent was started for one display.
  std::unique_ptr<cVkSessionDesktopSource> desktops_;
  vk::cVkSessionScreen screen_;
  vk::cVkSessionViewer viewer_;
  cVkTrayManager tray_;
  cVkInputHandler input_;
  vk::cVkSessionManager sessions_;

  // The announcement tells the RPC port once the listener has published it.
  cVkAgentAnnouncer announcer_;
  // The configuration RPC listener; while there is none the start routine
  // reports the service running itself.
  std::unique_ptr<iVkRpcListener> rpc_;
  cVkService service_;
};

}  // namespace vk::agent
