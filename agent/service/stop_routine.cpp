#include <mutex>

#include "agent/service/agent_version.h"
#include "agent/service/service.h"
#include "agent/worker/stop_worker_thread.h"
#include "common/socket/socket.h"
#include "log/orklog.h"

namespace vk::agent {

int32_t cVkService::SaveSettingsAtStop(cOrkLog& log) {
  if (!persistence_.SettingsSaveable()) return 0;
  std::lock_guard lock(persistence_.SettingsSaveLock());
  return parts_.settings.Stop(log);
}

int32_t cVkService::SaveSecurityAtStop(cOrkLog& log) {
  if (!persistence_.SecuritySaveable()) return 0;
  return parts_.security.Stop(log);
}

int32_t cVkService::Stop(cOrkLog& log) {
  bool failed = false;
  if (parts_.announcer) parts_.announcer->Stop(log);

  record_.ReportStopPending(10000);
  int32_t code = parts_.rpc ? parts_.rpc->StopListening(log) : 0;
  if (code != 0) {
    log.LogNetMsg(LOG_ERROR, code,
                  u"Error releasing service data. Could not stop listening for RPC calls. Errorcode %ld", code);
    failed = true;
  }

  record_.ReportStopPending(65000);
  code = parts_.sessions ? parts_.sessions->Stop(log) : 0;
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while stopping the connection manager. Errorcode %ld.", code);
    failed = true;
  }

  // A tray that cannot be uninitialised does not keep the settings from being saved.
  record_.ReportStopPending(65000);
  code = parts_.tray ? parts_.tray->Stop(log) : 0;
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while uninitializing the tray manager. Errorcode %ld.", code);
    failed = true;
  }

  record_.ReportStopPending(5000);
  code = StopSockets(log);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while uninitializing winsock. Errorcode %ld.", code);
    failed = true;
  }

  record_.ReportStopPending(10000);
  code = SaveSettingsAtStop(log);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while saving the service settings. Errorcode %ld.", code);
    failed = true;
  }

  record_.ReportStopPending(10000);
  code = SaveSecurityAtStop(log);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while saving the security settings to disk. Errorcode %ld.",
               code);
    failed = true;
  }

  record_.ReportStopPending(65000);
  int32_t threadCode = StopWorkerThread(log, record_.RpcListenerThread());
  if (threadCode != 0)
    log.LogMsg(LOG_ERROR, threadCode, u"An error has occurred while stopping the RPC listener thread. Errorcode %ld.",
               threadCode);

  parts_.serviceLog.LogMsg(LOG_WARNING, 0, u"The %s has stopped.", std::u16string_view(kServiceTitle));
  if (threadCode != 0) return threadCode;
  return failed ? -1 : 0;
}

}  // namespace vk::agent
