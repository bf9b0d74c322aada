#include "console/browse/collect_job.h"

namespace {

std::atomic<int> pendingJobs{0};

}  // namespace

cVkCollectJob::cVkCollectJob(std::unique_ptr<cVkNetWorkTreeNode> node)
    : node_(std::move(node)), started_(std::chrono::steady_clock::now()) {
  log_.SetMemLogMask(LOG_ALL);
  node_->SetCancelFlag(&cancel_);
}

cVkCollectJob::~cVkCollectJob() = default;

int cVkCollectJob::Pending() { return pendingJobs.load(); }

cVkCollectJob* cVkCollectJob::Start(const cVkNetWorkTreeNode& node, int32_t* code) {
  std::unique_ptr<cVkNetWorkTreeNode> clone(static_cast<cVkNetWorkTreeNode*>(node.Clone()));
  auto* job = new cVkCollectJob(std::move(clone));
  ++pendingJobs;
  *code = job->worker_.Start([job](vk::ManualResetEvent&) -> int32_t {
    Run(job);
    --pendingJobs;
    return 0;
  });
  if (*code == 0) return job;
  --pendingJobs;
  delete job;
  return nullptr;
}

void cVkCollectJob::Run(cVkCollectJob* job) {
  // The collection runs into a collection and a log of its own; the job's
  // lock is taken only to hand the result over.
  cVkCollection collection;
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  const int32_t code = job->node_->Collect(log, collection);
  bool abandoned = false;
  {
    std::lock_guard guard(job->lock_);
    job->collection_.CopyFrom(collection);
    job->log_.CopyLog(log);
    job->code_ = code;
    job->done_ = true;
    abandoned = job->abandoned_;
    job->changed_.notify_all();
  }
  if (abandoned) delete job;
}

bool cVkCollectJob::WaitDone(std::chrono::milliseconds limit) {
  std::unique_lock guard(lock_);
  return changed_.wait_for(guard, limit, [this] { return done_; });
}

bool cVkCollectJob::IsDone() {
  std::lock_guard guard(lock_);
  return done_;
}

cVkCollectJob::Result cVkCollectJob::Finish(cVkCollectJob* job) {
  Result result;
  {
    std::lock_guard guard(job->lock_);
    result.code = job->code_;
    result.collection = std::make_unique<cVkCollection>();
    result.collection->CopyFrom(job->collection_);
    result.log = std::make_unique<cOrkLog>();
    result.log->SetMemLogMask(LOG_ALL);
    result.log->CopyLog(job->log_);
  }
  delete job;
  return result;
}

void cVkCollectJob::Abandon(cVkCollectJob* job) {
  bool done = false;
  {
    std::lock_guard guard(job->lock_);
    job->abandoned_ = true;
    job->cancel_ = true;
    done = job->done_;
  }
  // Done in between: the worker saw no abandonment and left the job to us.
  if (done) delete job;
}
