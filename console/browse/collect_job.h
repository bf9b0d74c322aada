// cVkCollectJob: one collection of an item's children, run in a worker
// thread on a clone of the item's node.
//
// The job is shared by the window's thread and the worker until one of them
// lets go of it; which side destroys it is decided under the job's lock: the
// window's thread takes the result (and destroys the job) only once the done
// flag is set, else it marks the job abandoned and the worker destroys it
// when it finishes. The worker's last access to the job is that check.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "common/archive/collection.h"
#include "console/browse/tree_nodes.h"
#include "log/orklog.h"
#include "platform/core/worker_thread.h"

class cVkCollectJob {
 public:
  struct Result {
    int32_t code = 0;
    std::unique_ptr<cVkCollection> collection;
    std::unique_ptr<cOrkLog> log;
  };

  // Starts the worker on a clone of `node`: the job, or null when no thread
  // could be started (then `*code` holds why).
  static cVkCollectJob* Start(const cVkNetWorkTreeNode& node, int32_t* code);

  // Waits at most `limit` for the worker; true once it is done.
  bool WaitDone(std::chrono::milliseconds limit);
  bool IsDone();
  std::chrono::steady_clock::time_point Started() const { return started_; }

  // Window's thread, when done: the result; the job is destroyed.
  static Result Finish(cVkCollectJob* job);
  // Window's thread, when not done: the worker destroys the job when it
  // ends; its result is dropped. If it finished in between, the job is
  // destroyed here.
  static void Abandon(cVkCollectJob* job);

  // Jobs whose worker is still running (for tests and for the end of the program).
  static int Pending();

 private:
  explicit cVkCollectJob(std::unique_ptr<cVkNetWorkTreeNode> node);
  ~cVkCollectJob();
  static void Run(cVkCollectJob* job);

  std::unique_ptr<cVkNetWorkTreeNode> node_;
  std::atomic<bool> cancel_{false};
  const std::chrono::steady_clock::time_point started_;

  std::mutex lock_;
  std::condition_variable changed_;
  cVkCollection collection_;
  cOrkLog log_;
  int32_t code_ = 0;
  bool done_ = false;
  bool abandoned_ = false;
  vk::WorkerThread worker_;  // last: stopped (or let go, by the worker itself) first
};
