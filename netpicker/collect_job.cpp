#include "netpicker/collect_job.h"

#include <list>

namespace vk::picker {

namespace {

// The workers of jobs started by the library; finished ones are let go at
// the next start, the rest are stopped when the library goes.
struct Workers {
  std::mutex lock;
  std::list<std::pair<std::shared_ptr<cVkCollectJob>, std::unique_ptr<WorkerThread>>> running;
};

std::atomic<int> runningJobs{0};

Workers& LibraryWorkers() {
  static Workers workers;
  return workers;
}

}  // namespace

cVkCollectJob::cVkCollectJob(std::unique_ptr<cVkNetWorkTreeNode> node) : node_(std::move(node)) {
  log_.SetMemLogMask(LOG_ALL);
  node_->SetCancelFlag(&cancel_);
}

int cVkCollectJob::Running() { return runningJobs.load(); }

std::shared_ptr<cVkCollectJob> cVkCollectJob::Start(std::unique_ptr<cVkNetWorkTreeNode> node) {
  auto job = std::make_shared<cVkCollectJob>(std::move(node));
  auto worker = std::make_unique<WorkerThread>();
  Workers& workers = LibraryWorkers();
  std::lock_guard<std::mutex> hold(workers.lock);
  workers.running.remove_if([](auto& entry) {
    if (!entry.first->IsDone()) return false;
    entry.second->Stop();
    return true;
  });
  ++runningJobs;
  int32_t started = worker->Start([job](ManualResetEvent&) {
    job->Run();
    return 0;
  });
  if (started != 0) {
    --runningJobs;
    std::lock_guard<std::mutex> holdJob(job->lock_);
    job->result_ = started;
    job->log_.LogNetMsg(LOG_ERROR, started, u"Error creating a thread. Errorcode %ld.", started);
    job->done_.Set();
    return job;
  }
  workers.running.emplace_back(job, std::move(worker));
  return job;
}

void cVkCollectJob::Run() {
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  cVkCollection collection;
  int32_t result = node_->Collect(log, collection);
  std::lock_guard<std::mutex> hold(lock_);
  collection_.CopyFrom(collection);
  log_.CopyLog(log);
  result_ = result;
  done_.Set();
  --runningJobs;
}

int32_t cVkCollectJob::TakeResult(cOrkLog& log, cVkCollection& collection) {
  std::lock_guard<std::mutex> hold(lock_);
  log.CopyLog(log_);
  collection.CopyFrom(collection_);
  return result_;
}

}  // namespace vk::picker
