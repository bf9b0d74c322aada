// The service record: the state the service reports, the stop event, the
// checkpoint counter and the RPC listener thread.
//
// Reports go to the service manager through the status handle, which exists
// once the control handler is registered; before that nothing is reported.
// The checkpoint counter has its own lock: the service main thread, the
// control handler and the RPC listener thread all touch it.
#pragma once

#include <cstdint>
#include <mutex>

#include "platform/core/worker_thread.h"
#include "platform/service/process_info.h"
#include "platform/service/service_status.h"

namespace vk::agent {

class cVkServiceRecord {
 public:
  // Start pending / stop pending with a new checkpoint and the wait hint (ms).
  void ReportStartPending(uint32_t waitHint);
  void ReportStopPending(uint32_t waitHint);
  // Running: called by the RPC listener once it listens (or by the start
  // routine while there is no RPC listener).
  void ReportRunning();
  // Stopped, with the result of the service (0, or the failing code).
  void ReportStopped(int32_t serviceCode);
  // Sends the current state again (the interrogate control).
  void ReportCurrent();

  void ResetCheckpoint();
  uint32_t Checkpoint();

  // Status reports start with the registration of the control handler.
  void SetStatusHandle(bool registered);
  vk::service::ServiceStatus Status();

  vk::ManualResetEvent& StopEvent() { return stopEvent_; }
  vk::WorkerThread& RpcListenerThread() { return rpcListener_; }
  vk::service::OsVersion& OsVersion() { return osVersion_; }

 private:
  void Report(uint32_t state, uint32_t controls, uint32_t checkPoint, uint32_t waitHint, int32_t serviceCode);
  uint32_t NextCheckpoint();

  std::mutex statusLock_;
  vk::service::ServiceStatus status_;
  bool hasStatusHandle_ = false;
  vk::WorkerThread rpcListener_;
  vk::ManualResetEvent stopEvent_;
  std::mutex checkpointLock_;
  uint32_t checkpoint_ = 0;
  vk::service::OsVersion osVersion_;
};

}  // namespace vk::agent
