// cVkService: the service frame. The service main routine, the control
// handler, the start and stop routines and the service record (the state
// reported to the service manager, the stop event, the checkpoints).
#pragma once

#include <atomic>
#include <cstdint>

#include "agent/service/persistence.h"
#include "agent/service/service_parts.h"
#include "agent/service/service_record.h"

namespace vk::agent {

class cVkService final : public iVkServiceControl {
 public:
  explicit cVkService(cVkServiceParts parts);
  cVkService(const cVkService&) = delete;
  cVkService& operator=(const cVkService&) = delete;

  // Starts the managers in order, reporting start pending before each step.
  int32_t Start(cOrkLog& log);
  // Stops them in reverse, reporting stop pending before each step; goes on
  // after a failed step and answers the first grave failure.
  int32_t Stop(cOrkLog& log);

  // The service main routine: runs on its own thread under the dispatcher
  // and returns when the service has stopped.
  void ServiceMain();
  // The control handler: stop and shutdown signal the stop event; any other
  // control reports the current state again.
  void ServiceCtrlHandler(uint32_t control);
  // The service's result once ServiceMain returned: 0, or the code of the
  // failed start or stop.
  int32_t Result() const { return result_; }

  cVkServiceRecord& Record() { return record_; }

  void ReportServiceRunning() override;
  void RequestServiceStop() override;
  int32_t SaveServiceSettings(cOrkLog& log) override;
  void MarkSecurityChanged() override;

 private:
  void RegisterEventSourceOrLog(cOrkLog& log);
  bool RegisterHandler(cOrkLog& log);
  void ReadOsVersion(cOrkLog& log);
  void LoadSettings(cOrkLog& log);
  int32_t SaveSettingsAtStop(cOrkLog& log);
  int32_t SaveSecurityAtStop(cOrkLog& log);

  cVkServiceParts parts_;
  cVkServiceRecord record_;
  cVkPersistence persistence_;
  std::atomic<int32_t> result_{0};
};

}  // namespace vk::agent
