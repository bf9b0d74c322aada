#include "agent/service/agent_version.h"
#include "agent/service/log_sink.h"
#include "agent/service/service.h"
#include "common/locations/locations.h"
#include "common/socket/socket.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"

namespace vk::agent {

void cVkService::ReadOsVersion(cOrkLog& log) {
  int32_t code = vk::service::GetOsVersion(&record_.OsVersion());
  if (code == 0) return;
  log.LogMsg(LOG_ERROR, code, u"An error has occurred while getting the OS version information. Errorcode %ld.", code);
  parts_.logFile.AppendLogToFile(log);
}

// A missing file is silent; any failure leaves the defaults in force.
void cVkService::LoadSettings(cOrkLog& log) {
  int32_t code = parts_.settings.Start(log);
  persistence_.SetSettingsSaveable(code == 0 || code == ERROR_FILE_NOT_FOUND);
  if (code == 0) return;
  if (code != ERROR_FILE_NOT_FOUND) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while loading the service settings from '%s'. Errorcode %ld.",
               parts_.locations.GetSettingsFile(), code);
    parts_.logFile.AppendLogToFile(log);
  }
  log.Clear();
}

int32_t cVkService::Start(cOrkLog& log) {
  parts_.serviceLog.LogMsg(LOG_WARNING, 0, u"Starting %s. Version %.1f, Build %ld.", std::u16string_view(kServiceTitle),
                           kVersion, kBuild);

  record_.ResetCheckpoint();
  record_.ReportStartPending(2000);
  int32_t code = StartSockets(log);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while initializing winsock. Errorcode %ld.", code);
    return code;
  }

  record_.ReportStartPending(5000);
  ReadOsVersion(log);

  record_.ReportStartPending(3000);
  LoadSettings(log);

  record_.ReportStartPending(10000);
  code = parts_.security.Start(log);
  persistence_.SetSecuritySaveable(code == 0);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while initializing service security. Errorcode %ld.", code);
    return code;
  }

  record_.ReportStartPending(3000);
  if (parts_.rpc) {
    code = parts_.rpc->StartListenerThread(log, record_.RpcListenerThread(), *this);
    if (code != 0) {
      log.LogNetMsg(LOG_ERROR, code,
                    u"An error has occurred while duplicating the RPC listener threadhandle. Errorcode %ld.", code);
      return code;
    }
  }

  record_.ReportStartPending(10000);
  code = parts_.tray ? parts_.tray->Start(log) : 0;
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while initializing the tray manager. Errorcode %ld.", code);
    return code;
  }

  record_.ReportStartPending(10000);
  code = parts_.sessions ? parts_.sessions->Start(log) : 0;
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while initializing the connection manager. Errorcode %ld.",
               code);
    return code;
  }

  if (parts_.announcer) parts_.announcer->Start(log);

  // The RPC listener reports running once it listens; without one, here.
  if (!parts_.rpc) record_.ReportRunning();
  return 0;
}

}  // namespace vk::agent
