// DeskAgent: the ViewKeeper service.
//
// Runs under systemd (viewkeeper.service, Type=notify) or by hand in the
// foreground; it has no command-line switches. The process ends when the
// service has stopped: exit status 0, or 1 when the service failed.
#include "agent/service/agent_log.h"
#include "agent/service/agent_objects.h"
#include "agent/service/agent_version.h"
#include "agent/service/event_mirror.h"
#include "agent/service/locations_setup.h"
#include "agent/service/managers.h"
#include "agent/service/service_routines.h"
#include "log/orklog.h"
#include "platform/service/dispatcher.h"
#include "platform/service/process_info.h"

int main(int, char**) {
  using namespace vk::agent;
  cOrkLog startupLog;
  SetupAgentLog(startupLog, false);
  SetupAgentLog(ServiceLog(), true);
  InstallEventMirror();

  int32_t code = InitializeLocations(Locations(), startupLog, vk::service::ProgramFilePath());
  if (code != 0) {
    startupLog.LogMsg(LOG_ERROR, code, u"An error has occurred while initializing the locations object.");
    startupLog.LogMsg(LOG_WARNING, u"Default locations will be used.");
    AppendLogToFile(startupLog);
  }

  ConnectAgentManagers(AgentManagers());
  code = vk::service::RunServiceDispatcher(kServiceName, ServiceMain);
  if (code != 0) return code & 0xFF ? code & 0xFF : 1;
  return ServiceResult() == 0 ? 0 : 1;
}
