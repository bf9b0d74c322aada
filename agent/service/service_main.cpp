#include <atomic>

#include "agent/service/agent_log.h"
#include "agent/service/agent_objects.h"
#include "agent/service/agent_version.h"
#include "agent/service/event_source.h"
#include "agent/service/service_routines.h"
#include "log/orklog.h"
#include "platform/service/dispatcher.h"

namespace vk::agent {
namespace {

std::atomic<int32_t> g_result{0};

void RegisterEventSourceOrLog(cOrkLog& log) {
  int32_t code = RegisterEventSource(ServiceLog(), Locations().GetEventMessageFile());
  if (code == 0) return;
  log.LogMsg(LOG_ERROR, code, u"An error has occurred while initializing the eventlog for ViewKeeper. Errorcode %ld.",
             code);
  AppendLogToFile(log);
}

bool RegisterHandler(cOrkLog& log) {
  int32_t code = vk::service::RegisterControlHandler(kServiceName, ServiceCtrlHandler);
  if (code == 0) {
    ServiceRecord().SetStatusHandle(true);
    return true;
  }
  log.LogNetMsg(LOG_ERROR, code, u"Error registering the service control handler. Errorcode %ld", code);
  AppendLogToFile(log);
  ServiceLog().LogMsg(LOG_ERROR, code,
                      u"A critical error has occurred while initializing the ViewKeeper service. Errorcode %ld", code);
  g_result = code;
  return false;
}

}  // namespace

void ServiceMain() {
  cOrkLog log;
  SetupAgentLog(log, false);
  RegisterEventSourceOrLog(log);
  if (!RegisterHandler(log)) return;

  int32_t startCode = ServiceStart(log);
  if (startCode != 0) {
    AppendLogToFile(log);
    ServiceLog().LogMsg(LOG_ERROR, startCode,
                        u"A critical error has occurred while starting the ViewKeeper service. Errorcode %ld",
                        startCode);
  } else {
    // A stop that arrived during start-up is found signalled here.
    ServiceRecord().StopEvent().Wait();
  }

  // A failed start stops what it started and ends the service as failed.
  ServiceRecord().ResetCheckpoint();
  int32_t stopCode = ServiceStop(log);
  if (stopCode != 0) {
    AppendLogToFile(log);
    ServiceLog().LogMsg(LOG_ERROR, stopCode,
                        u"A critical error has occurred while stopping the ViewKeeper service. Errorcode %ld", stopCode);
  }
  g_result = startCode != 0 ? startCode : stopCode;
  ServiceRecord().ReportStopped(g_result);
}

void ServiceCtrlHandler(uint32_t control) {
  if (control == vk::service::SERVICE_CONTROL_STOP || control == vk::service::SERVICE_CONTROL_SHUTDOWN) {
    ServiceRecord().StopEvent().Set();
    return;
  }
  ServiceRecord().ReportCurrent();
}

int32_t ServiceResult() { return g_result; }

}  // namespace vk::agent
