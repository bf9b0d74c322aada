// A collection of an item's children in a worker thread. The job owns a
// clone of the item's node and receives its result; the window's thread
// waits for it behind the progress dialog or abandons it, and the job lives
// on (shared with its thread) until the thread is done with it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "common/archive/collection.h"
#include "log/orklog.h"
#include "netpicker/nodes.h"
#include "platform/core/worker_thread.h"

namespace vk::picker {

class cVkCollectJob {
 public:
  explicit cVkCollectJob(std::unique_ptr<cVkNetWorkTreeNode> node);

  // Starts the collection on a worker thread of the library.
  static std::shared_ptr<cVkCollectJob> Start(std::unique_ptr<cVkNetWorkTreeNode> node);

  bool WaitDone(std::chrono::milliseconds timeout) const { return done_.WaitFor(timeout); }
  bool IsDone() const { return done_.IsSet(); }
  // Once done: the result code, with copies of the log and the objects.
  int32_t TakeResult(cOrkLog& log, cVkCollection& collection);
  // The window no longer waits: the node's enumeration may end early, and
  // its result is dropped.
  void Abandon() { cancel_ = true; }
  // Jobs whose collection has not ended yet.
  static int Running();

 private:
  void Run();

  std::unique_ptr<cVkNetWorkTreeNode> node_;
  std::mutex lock_;
  cVkCollection collection_;
  cOrkLog log_;
  int32_t result_ = 0;
  std::atomic<bool> cancel_{false};
  ManualResetEvent done_;
};

}  // namespace vk::picker
