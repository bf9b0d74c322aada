#include "agent/service/agent_log.h"
#include "agent/service/agent_version.h"
#include "agent/service/event_source.h"
#include "agent/service/log_sink.h"
#include "agent/service/service.h"
#include "common/locations/locations.h"
#include "log/orklog.h"
#include "platform/service/dispatcher.h"

namespace vk::agent {

cVkService::cVkService(cVkServiceParts parts) : parts_(parts) {}

void cVkService::RegisterEventSourceOrLog(cOrkLog& log) {
  int32_t code = RegisterEventSource(parts_.serviceLog, parts_.locations.GetEventMessageFile());
  if (code == 0) return;
  log.LogMsg(LOG_ERROR, code, u"An error has occurred while initializing the eventlog for ViewKeeper. Errorcode %ld.",
             code);
  parts_.logFile.AppendLogToFile(log);
}

bool cVkService::RegisterHandler(cOrkLog& log) {
  int32_t code =
      vk::service::RegisterControlHandler(kServiceName, [this](uint32_t control) { ServiceCtrlHandler(control); });
  if (code == 0) {
    record_.SetStatusHandle(true);
    return true;
  }
  log.LogNetMsg(LOG_ERROR, code, u"Error registering the service control handler. Errorcode %ld", code);
  parts_.logFile.AppendLogToFile(log);
  parts_.serviceLog.LogMsg(
      LOG_ERROR, code, u"A critical error has occurred while initializing the ViewKeeper service. Errorcode %ld", code);
  result_ = code;
  return false;
}

void cVkService::ServiceMain() {
  cOrkLog log;
  SetupAgentLog(log, false);
  RegisterEventSourceOrLog(log);
  if (!RegisterHandler(log)) return;

  int32_t startCode = Start(log);
  if (startCode != 0) {
    parts_.logFile.AppendLogToFile(log);
    parts_.serviceLog.LogMsg(LOG_ERROR, startCode,
                             u"A critical error has occurred while starting the ViewKeeper service. Errorcode %ld",
                             startCode);
  } else {
    // A stop that arrived during start-up is found signalled here.
    record_.StopEvent().Wait();
  }

  // A failed start stops what it started and ends the service as failed.
  record_.ResetCheckpoint();
  int32_t stopCode = Stop(log);
  if (stopCode != 0) {
    parts_.logFile.AppendLogToFile(log);
    parts_.serviceLog.LogMsg(LOG_ERROR, stopCode,
                             u"A critical error has occurred while stopping the ViewKeeper service. Errorcode %ld",
                             stopCode);
  }
  result_ = startCode != 0 ? startCode : stopCode;
  record_.ReportStopped(result_);
}

void cVkService::ServiceCtrlHandler(uint32_t control) {
  if (control == vk::service::SERVICE_CONTROL_STOP || control == vk::service::SERVICE_CONTROL_SHUTDOWN) {
    record_.StopEvent().Set();
    return;
  }
  record_.ReportCurrent();
}

void cVkService::ReportServiceRunning() { record_.ReportRunning(); }

void cVkService::RequestServiceStop() {
  record_.ResetCheckpoint();
  record_.StopEvent().Set();
}

int32_t cVkService::SaveServiceSettings(cOrkLog& log) {
  persistence_.SetSettingsSaveable(true);
  std::lock_guard lock(persistence_.SettingsSaveLock());
  return parts_.settings.Stop(log);
}

void cVkService::MarkSecurityChanged() { persistence_.SetSecuritySaveable(true); }

}  // namespace vk::agent
