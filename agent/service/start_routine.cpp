#include "agent/service/agent_log.h"
#include "agent/service/agent_objects.h"
#include "agent/service/agent_version.h"
#include "agent/service/managers.h"
#include "agent/service/persistence.h"
#include "agent/service/service_routines.h"
#include "common/socket/socket.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"

namespace vk::agent {
namespace {

int32_t Call(const std::function<int32_t(cOrkLog&)>& hook, cOrkLog& log) { return hook ? hook(log) : 0; }

void ReadOsVersion(cOrkLog& log) {
  int32_t code = vk::service::GetOsVersion(&ServiceRecord().OsVersion());
  if (code == 0) return;
  log.LogMsg(LOG_ERROR, code, u"An error has occurred while getting the OS version information. Errorcode %ld.", code);
  AppendLogToFile(log);
}

// A missing file is silent; any failure leaves the defaults in force.
void LoadSettings(cOrkLog& log) {
  int32_t code = Call(AgentManagers().settings.start, log);
  Persistence().SetSettingsSaveable(code == 0 || code == ERROR_FILE_NOT_FOUND);
  if (code == 0) return;
  if (code != ERROR_FILE_NOT_FOUND) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while loading the service settings from '%s'. Errorcode %ld.",
               Locations().GetSettingsFile(), code);
    AppendLogToFile(log);
  }
  log.Clear();
}

}  // namespace

int32_t ServiceStart(cOrkLog& log) {
  cVkServiceRecord& record = ServiceRecord();
  cVkAgentManagers& m = AgentManagers();
  ServiceLog().LogMsg(LOG_WARNING, 0, u"Starting %s. Version %.1f, Build %ld.", std::u16string_view(kServiceTitle),
                      kVersion, kBuild);

  record.ResetCheckpoint();
  record.ReportStartPending(2000);
  int32_t code = StartSockets(log);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while initializing winsock. Errorcode %ld.", code);
    return code;
  }

  record.ReportStartPending(5000);
  ReadOsVersion(log);

  record.ReportStartPending(3000);
  LoadSettings(log);

  record.ReportStartPending(10000);
  code = Call(m.security.start, log);
  Persistence().SetSecuritySaveable(code == 0);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while initializing service security. Errorcode %ld.", code);
    return code;
  }

  record.ReportStartPending(3000);
  if (m.rpc.startListenerThread) {
    code = m.rpc.startListenerThread(log, record.RpcListenerThread());
    if (code != 0) {
      log.LogNetMsg(LOG_ERROR, code,
                    u"An error has occurred while duplicating the RPC listener threadhandle. Errorcode %ld.", code);
      return code;
    }
  }

  record.ReportStartPending(10000);
  code = Call(m.tray.start, log);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while initializing the tray manager. Errorcode %ld.", code);
    return code;
  }

  record.ReportStartPending(10000);
  code = Call(m.session.start, log);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while initializing the connection manager. Errorcode %ld.",
               code);
    return code;
  }

  // The RPC listener reports running once it listens; without one, here.
  if (!m.rpc.startListenerThread) record.ReportRunning();
  return 0;
}

}  // namespace vk::agent
