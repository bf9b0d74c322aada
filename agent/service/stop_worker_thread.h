// Stopping a worker thread of the agent, with the agent's messages.
//
// Signals the thread's stop event and waits for it to end, polling once per
// interval (1 s) and giving up after 61 polls. A thread that does not end is
// let go, never killed; what it uses stays alive (see WorkerThread).
#pragma once

#include <cstdint>

#include "platform/core/worker_thread.h"

class cOrkLog;

// 0 when the thread ended or there was none; -1 after the time-out; the
// platform code when the thread's state could not be read.
int32_t StopWorkerThread(cOrkLog& log, vk::WorkerThread& thread,
                         vk::ThreadStopPolicy policy = vk::DefaultThreadStopPolicy());
