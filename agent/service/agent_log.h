// The agent's logging helpers.
//
// Every agent activity (start-up, each RPC call, each session, each worker
// thread) owns a cOrkLog set up with SetupAgentLog(log, false); its messages
// stay in memory and reach the log file DeskAgent.log only when the activity
// fails and calls AppendLogToFile. The one service log, set up with true, also
// writes to the event log (syslog) under the source "ViewKeeper".
#pragma once

#include <cstdint>
#include <mutex>

#include "agent/service/log_sink.h"

class cOrkLog;
class cVkLocations;

namespace vk::agent {

// Event identifiers of the service log: errors, warnings, information, others.
inline constexpr uint32_t kEventIdError = 0xC0000004;
inline constexpr uint32_t kEventIdInformation = 0x40000002;
inline constexpr uint32_t kEventIdOther = 0x40000005;
inline constexpr uint32_t kServiceEventIds[4] = {kEventIdError, kEventIdInformation, kEventIdInformation,
                                                 kEventIdOther};

// A log file above this size is removed before the next block is appended.
inline constexpr uint64_t kMaxLogFileBytes = 0x500000;

}  // namespace vk::agent

void SetupAgentLog(cOrkLog& log, bool withEventLog);

// The agent's log file (the locations' log file). Calls from several threads
// are serialised: the size check, the removal and the append belong
// together, or one thread could remove the file while another appends.
class cVkAgentLogFile final : public iVkLogSink {
 public:
  explicit cVkAgentLogFile(const cVkLocations& locations) : locations_(locations) {}
  void AppendLogToFile(cOrkLog& log) override;

 private:
  const cVkLocations& locations_;
  std::mutex appendLock_;
};
