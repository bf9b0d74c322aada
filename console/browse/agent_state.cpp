#include "console/browse/agent_state.h"

#include <condition_variable>

#include "log/format.h"
#include "log/orklog.h"

std::u16string cVkAgentState::Text(int32_t ownBuild) const {
  std::u16string state;
  switch (kind) {
    case Kind::Unknown:
      return {};
    case Kind::NotInstalled:
      return u"not installed";
    case Kind::Unreachable:
      return vk::Format(u"unreachable (%ld)", code);
    case Kind::Running:
      state = u"running";
      break;
    case Kind::Stopped:
      state = u"stopped";
      break;
    case Kind::Pending:
      state = u"starting or stopping";
      break;
  }
  if (build == 0) return state;
  if (build < ownBuild) return vk::Format(u"%s, older build %ld", state, build);
  return vk::Format(u"%s, build %ld", state, build);
}

struct cVkAgentStateQueue::Shared {
  std::shared_ptr<iVkAgentStateSource> source;
  Delivery deliver;
  mutable std::mutex lock;
  std::condition_variable changed;
  std::deque<std::u16string> waiting;
  std::set<std::u16string> known;  // waiting or being asked
  bool stopping = false;
  vk::ManualResetEvent cancel;  // set once: the questions being asked end
};

cVkAgentStateQueue::cVkAgentStateQueue(std::shared_ptr<iVkAgentStateSource> source, size_t parallel, Delivery deliver)
    : shared_(std::make_shared<Shared>()) {
  shared_->source = std::move(source);
  shared_->deliver = std::move(deliver);
  for (size_t i = 0; i < std::max<size_t>(parallel, 1); ++i) {
    auto worker = std::make_unique<vk::WorkerThread>();
    std::shared_ptr<Shared> shared = shared_;
    if (worker->Start([shared](vk::ManualResetEvent& stop) -> int32_t {
          Work(shared, stop);
          return 0;
        }) == 0)
      workers_.push_back(std::move(worker));
  }
}

cVkAgentStateQueue::~cVkAgentStateQueue() {
  {
    std::lock_guard guard(shared_->lock);
    shared_->stopping = true;
    shared_->waiting.clear();
    shared_->changed.notify_all();
  }
  shared_->cancel.Set();
  for (auto& worker : workers_) worker->Stop();
}

void cVkAgentStateQueue::Request(const std::u16string& computer) {
  std::lock_guard guard(shared_->lock);
  if (shared_->stopping || !shared_->known.insert(computer).second) return;
  shared_->waiting.push_back(computer);
  shared_->changed.notify_one();
}

size_t cVkAgentStateQueue::Waiting() const {
  std::lock_guard guard(shared_->lock);
  return shared_->known.size();
}

void cVkAgentStateQueue::Work(const std::shared_ptr<Shared>& shared, vk::ManualResetEvent& stop) {
  auto wake = stop.OnSet([shared] {
    std::lock_guard guard(shared->lock);
    shared->stopping = true;
    shared->changed.notify_all();
  });
  for (;;) {
    std::u16string computer;
    {
      std::unique_lock guard(shared->lock);
      shared->changed.wait(guard, [&] { return shared->stopping || !shared->waiting.empty(); });
      if (shared->stopping) return;
      computer = std::move(shared->waiting.front());
      shared->waiting.pop_front();
    }
    cOrkLog log;
    const cVkAgentState state = shared->source->QueryState(log, computer, shared->cancel);
    {
      std::lock_guard guard(shared->lock);
      shared->known.erase(computer);
      if (shared->stopping) return;
    }
    shared->deliver(computer, state);
  }
}
