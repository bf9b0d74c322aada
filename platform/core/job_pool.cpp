#include "platform/core/job_pool.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vk {

// The current job. Workers hold this by shared_ptr, so one that a stop gave
// up on never touches freed memory.
struct JobPool::Shared {
  std::mutex callerLock;  // one job at a time
  std::mutex lock;
  std::condition_variable changed;
  const Part* part = nullptr;
  size_t count = 0;
  size_t next = 0;
  size_t done = 0;
  bool stopping = false;

  // Takes the next part of the current job; false when none is left.
  bool Take(std::unique_lock<std::mutex>& guard, size_t& index, const Part*& body) {
    if (part == nullptr || next >= count) return false;
    index = next++;
    body = part;
    guard.unlock();
    return true;
  }

  void Finished() {
    std::lock_guard guard(lock);
    if (++done == count) changed.notify_all();
  }

  int32_t Serve(ManualResetEvent& stop) {
    auto wake = stop.OnSet([this] {
      std::lock_guard guard(lock);
      stopping = true;
      changed.notify_all();
    });
    std::unique_lock guard(lock);
    while (!stopping) {
      size_t index = 0;
      const Part* body = nullptr;
      if (!Take(guard, index, body)) {
        changed.wait(guard);
        continue;
      }
      (*body)(index);
      Finished();
      guard.lock();
    }
    return 0;
  }
};

JobPool::JobPool(size_t workers) : shared_(std::make_shared<Shared>()) {
  // The workers take no signals: they stay with the program's own threads.
  sigset_t all, previous;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &previous);
  for (size_t i = 0; i < workers; ++i) {
    auto worker = std::make_unique<WorkerThread>();
    // A worker that cannot be started leaves its parts to the others.
    if (worker->Start([shared = shared_](ManualResetEvent& stop) { return shared->Serve(stop); }) != 0) break;
    workers_.push_back(std::move(worker));
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

JobPool::~JobPool() {
  for (auto& worker : workers_) worker->Stop();
}

size_t JobPool::WorkersForCores() {
  const size_t cores = std::max(1u, std::thread::hardware_concurrency());
  return std::min<size_t>(cores - 1, 3);
}

void JobPool::RunAll(size_t count, const Part& part) {
  if (count == 0) return;
  std::lock_guard turn(shared_->callerLock);
  std::unique_lock guard(shared_->lock);
  shared_->part = &part;
  shared_->count = count;
  shared_->next = 0;
  shared_->done = 0;
  shared_->changed.notify_all();
  size_t index = 0;
  const Part* body = nullptr;
  while (shared_->Take(guard, index, body)) {
    (*body)(index);
    shared_->Finished();
    guard.lock();
  }
  shared_->changed.wait(guard, [this] { return shared_->done == shared_->count; });
  shared_->part = nullptr;
}

}  // namespace vk
