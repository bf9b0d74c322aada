#include "agent/service/service_record.h"

#include "platform/core/error_codes.h"

namespace vk::agent {

using namespace vk::service;

uint32_t cVkServiceRecord::NextCheckpoint() {
  std::lock_guard lock(checkpointLock_);
  return ++checkpoint_;
}

void cVkServiceRecord::ResetCheckpoint() {
  std::lock_guard lock(checkpointLock_);
  checkpoint_ = 0;
}

uint32_t cVkServiceRecord::Checkpoint() {
  std::lock_guard lock(checkpointLock_);
  return checkpoint_;
}

void cVkServiceRecord::SetStatusHandle(bool registered) {
  std::lock_guard lock(statusLock_);
  hasStatusHandle_ = registered;
}

ServiceStatus cVkServiceRecord::Status() {
  std::lock_guard lock(statusLock_);
  return status_;
}

void cVkServiceRecord::Report(uint32_t state, uint32_t controls, uint32_t checkPoint, uint32_t waitHint,
                              int32_t serviceCode) {
  std::lock_guard lock(statusLock_);
  status_.currentState = state;
  status_.controlsAccepted = controls;
  status_.win32ExitCode = serviceCode == 0 ? 0 : ERROR_SERVICE_SPECIFIC_ERROR;
  status_.serviceSpecificExitCode = static_cast<uint32_t>(serviceCode);
  status_.checkPoint = checkPoint;
  status_.waitHint = waitHint;
  if (hasStatusHandle_) ReportStatus(status_);  // a failed report is ignored
}

void cVkServiceRecord::ReportStartPending(uint32_t waitHint) {
  Report(SERVICE_START_PENDING, 0, NextCheckpoint(), waitHint, 0);
}

void cVkServiceRecord::ReportStopPending(uint32_t waitHint) {
  Report(SERVICE_STOP_PENDING, SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN, NextCheckpoint(), waitHint, 0);
}

void cVkServiceRecord::ReportRunning() {
  Report(SERVICE_RUNNING, SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN, 0, 0, 0);
}

void cVkServiceRecord::ReportStopped(int32_t serviceCode) {
  Report(SERVICE_STOPPED, SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN, 0, 0, serviceCode);
}

void cVkServiceRecord::ReportCurrent() {
  std::lock_guard lock(statusLock_);
  if (hasStatusHandle_) ReportStatus(status_);
}

}  // namespace vk::agent
