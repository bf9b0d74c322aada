#include "agent/service/agent_log.h"

#include <string>

#include "agent/service/agent_version.h"
#include "common/locations/locations.h"
#include "log/orklog.h"
#include "platform/paths/paths.h"

void SetupAgentLog(cOrkLog& log, bool withEventLog) {
  if (withEventLog) {
    log.SetupEventLogging(vk::agent::kServiceName, vk::agent::kServiceEventIds);
    log.SetAppLogMask(LOG_ALL);
  }
  log.SetFileLogMask(LOG_ALL);
  log.SetMemLogMask(LOG_ALL);
}

namespace {

void RemoveIfTooLarge(const std::u16string& file) {
  uint64_t size = 0;
  if (vk::paths::FileSize(file, &size) == 0 && size > vk::agent::kMaxLogFileBytes) vk::paths::RemoveFile(file);
}

}  // namespace

void cVkAgentLogFile::AppendLogToFile(cOrkLog& log) {
  std::u16string file = locations_.GetLogFile();
  // Holding the activity's lock keeps a message that arrives meanwhile from
  // being cleared without having been written.
  log.Lock(true);
  {
    std::lock_guard lock(appendLock_);
    RemoveIfTooLarge(file);
    cOrkLog writer;
    writer.SetFileLogMask(LOG_ALL);
    writer.SetMemLogMask(0);
    writer.InitializeLogFile(file, 0);
    writer.AddLog(log);
    writer.CloseLogFile();
  }
  log.Clear();
  log.Lock(false);
}
