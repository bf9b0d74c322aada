#include "console/core/stop_thread.h"

#include "log/orklog.h"

int32_t StopThread(cOrkLog& log, vk::WorkerThread& thread) {
  const vk::ThreadStopResult result = thread.Stop();
  switch (result.outcome) {
    case vk::ThreadStopOutcome::TimedOut:
      log.LogMsg(LOG_ERROR, -1, u"An error has occurred while stopping a thread. Errorcode %ld.", -1);
      log.LogMsg(LOG_WARNING, u"Operation timed out.");
      return -1;
    case vk::ThreadStopOutcome::Unreadable:
      log.LogNetMsg(LOG_ERROR, result.code, u"An error has occurred while stopping a thread. Errorcode %ld.",
                    result.code);
      return result.code;
    default:
      return 0;
  }
}
