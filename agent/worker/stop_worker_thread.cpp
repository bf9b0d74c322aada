#include "agent/worker/stop_worker_thread.h"

#include "log/orklog.h"
#include "platform/msgwindow/message_thread.h"

namespace {

int32_t ReportStop(cOrkLog& log, vk::ThreadStopResult result) {
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

}  // namespace

int32_t StopWorkerThread(cOrkLog& log, vk::WorkerThread& thread, vk::ThreadStopPolicy policy) {
  return ReportStop(log, thread.Stop(policy));
}

int32_t StopMessageThread(cOrkLog& log, vk::MessageThread& thread, vk::ThreadStopPolicy policy) {
  if (!thread.Running()) return 0;
  thread.PostQuit();
  if (thread.Join(policy.pollInterval * policy.maxPolls)) return 0;
  vk::NoteThreadGivenUp();
  return ReportStop(log, {vk::ThreadStopOutcome::TimedOut, -1});
}
