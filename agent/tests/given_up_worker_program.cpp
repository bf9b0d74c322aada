// A process whose worker thread never ends: the stop gives it up, and the
// process then ends the way deskagent's main() ends. The worker uses a
// static object; if that object were destroyed under it, the worker ends
// the process with status 86 (the fault the test looks for).
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "agent/service/process_exit.h"
#include "agent/worker/stop_worker_thread.h"
#include "log/orklog.h"

namespace {

std::atomic<bool> destroyed{false};
std::atomic<bool> noticed{false};

struct UsedByTheWorker {
  ~UsedByTheWorker() {
    destroyed = true;
    // Let the worker notice before the process goes on ending.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!noticed && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  }
};
UsedByTheWorker usedByTheWorker;

}  // namespace

int main() {
  vk::WorkerThread worker;
  worker.Start([](vk::ManualResetEvent&) -> int32_t {
    for (;;) {  // ignores its stop event
      if (destroyed) {
        noticed = true;
        std::_Exit(86);
      }
      std::this_thread::yield();
    }
  });
  cOrkLog log;
  const int32_t code = StopWorkerThread(log, worker, vk::ThreadStopPolicy{std::chrono::milliseconds(1), 3});
  const int status = code == -1 ? 3 : 4;  // 3: the stop gave the thread up, as expected
  vk::agent::EndProcessIfThreadsGivenUp(status);
  return status;
}
