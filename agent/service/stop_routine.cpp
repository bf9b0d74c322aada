#include <mutex>

#include "agent/service/agent_objects.h"
#include "agent/service/agent_version.h"
#include "agent/service/managers.h"
#include "agent/service/persistence.h"
#include "agent/service/service_routines.h"
#include "agent/service/stop_worker_thread.h"
#include "common/socket/socket.h"
#include "log/orklog.h"

namespace vk::agent {
namespace {

int32_t Call(const std::function<int32_t(cOrkLog&)>& hook, cOrkLog& log) { return hook ? hook(log) : 0; }

int32_t SaveSettingsAtStop(cOrkLog& log) {
  if (!Persistence().SettingsSaveable()) return 0;
  std::lock_guard lock(Persistence().SettingsSaveLock());
  return Call(AgentManagers().settings.stop, log);
}

int32_t SaveSecurityAtStop(cOrkLog& log) {
  if (!Persistence().SecuritySaveable()) return 0;
  return Call(AgentManagers().security.stop, log);
}

}  // namespace

int32_t ServiceStop(cOrkLog& log) {
  cVkServiceRecord& record = ServiceRecord();
  cVkAgentManagers& m = AgentManagers();
  bool failed = false;

  record.ReportStopPending(10000);
  int32_t code = Call(m.rpc.stopListening, log);
  if (code != 0) {
    log.LogNetMsg(LOG_ERROR, code, u"Error releasing service data. Could not stop listening for RPC calls. Errorcode %ld",
                  code);
    failed = true;
  }

  record.ReportStopPending(65000);
  code = Call(m.session.stop, log);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while stopping the connection manager. Errorcode %ld.", code);
    failed = true;
  }

  // A tray that cannot be uninitialised does not keep the settings from being saved.
  record.ReportStopPending(65000);
  code = Call(m.tray.stop, log);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while uninitializing the tray manager. Errorcode %ld.", code);
    failed = true;
  }

  record.ReportStopPending(5000);
  code = StopSockets(log);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while uninitializing winsock. Errorcode %ld.", code);
    failed = true;
  }

  record.ReportStopPending(10000);
  code = SaveSettingsAtStop(log);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while saving the service settings. Errorcode %ld.", code);
    failed = true;
  }

  record.ReportStopPending(10000);
  code = SaveSecurityAtStop(log);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while saving the security settings to disk. Errorcode %ld.",
               code);
    failed = true;
  }

  record.ReportStopPending(65000);
  int32_t threadCode = StopWorkerThread(log, record.RpcListenerThread());
  if (threadCode != 0)
    log.LogMsg(LOG_ERROR, threadCode, u"An error has occurred while stopping the RPC listener thread. Errorcode %ld.",
               threadCode);

  ServiceLog().LogMsg(LOG_WARNING, 0, u"The %s has stopped.", std::u16string_view(kServiceTitle));
  if (threadCode != 0) return threadCode;
  return failed ? -1 : 0;
}

}  // namespace vk::agent
