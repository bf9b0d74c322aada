// A small fixed set of worker threads that run the parts of one job side by
// side: RunAll(n, part) calls part(0) ... part(n - 1), each once, on the
// workers and on the calling thread, and returns when every part is done.
// The threads are started once, with the pool, and wait idle in between;
// nothing is started per job. They take no signals.
//
//   vk::JobPool pool(vk::JobPool::WorkersForCores());
//   pool.RunAll(blocks.size(), [&](size_t i) { Compress(blocks[i]); });
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "platform/core/worker_thread.h"

namespace vk {

class JobPool {
 public:
  using Part = std::function<void(size_t index)>;

  // `workers` threads besides the caller (0: every part runs on the caller).
  explicit JobPool(size_t workers);
  ~JobPool();
  JobPool(const JobPool&) = delete;
  JobPool& operator=(const JobPool&) = delete;

  // One worker per further core, at most three: the caller is the first.
  static size_t WorkersForCores();

  // The workers that were started, plus the caller.
  size_t Lanes() const { return workers_.size() + 1; }
  // Runs the parts; one caller at a time (further callers wait their turn).
  void RunAll(size_t count, const Part& part);

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
  std::vector<std::unique_ptr<WorkerThread>> workers_;
};

}  // namespace vk
