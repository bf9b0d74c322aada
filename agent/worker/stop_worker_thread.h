// Stopping the agent's worker threads, with the agent's messages.
//
// Every worker is stopped the same way: its stop event is signalled (a
// message thread is asked to quit) and the stop waits for the thread,
// polling once per interval (1 s) and giving up after 61 polls. A thread
// that does not end is let go, never killed; what it uses stays alive (see
// WorkerThread), and the process later ends without running destructors
// under it (see ThreadsGivenUp).
#pragma once

#include <cstdint>

#include "platform/core/worker_thread.h"

class cOrkLog;
namespace vk {
class MessageThread;
}

// 0 when the thread ended or there was none; -1 after the time-out; the
// platform code when the thread's state could not be read. Failures are
// logged as "An error has occurred while stopping a thread. Errorcode %ld."
// (an error), a time-out also as "Operation timed out." (a warning).
int32_t StopWorkerThread(cOrkLog& log, vk::WorkerThread& thread,
                         vk::ThreadStopPolicy policy = vk::DefaultThreadStopPolicy());
int32_t StopMessageThread(cOrkLog& log, vk::MessageThread& thread,
                          vk::ThreadStopPolicy policy = vk::DefaultThreadStopPolicy());
