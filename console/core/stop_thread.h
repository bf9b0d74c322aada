// StopThread: how the console stops its worker threads. Signals the
// thread's stop event and waits for it, once a second, giving up after 61
// waits; the thread is then let go (never killed) and keeps what it uses.
#pragma once

#include <cstdint>

#include "platform/core/worker_thread.h"

class cOrkLog;

// 0 when no thread runs or it ended; -1 after the time-out; the platform
// code when its end could not be read. Failures are logged.
int32_t StopThread(cOrkLog& log, vk::WorkerThread& thread);
