#include "platform/core/worker_thread.h"

#include <atomic>
#include <cerrno>
#include <system_error>
#include <utility>

#include "platform/core/error_codes.h"

namespace vk {

void ManualResetEvent::Set() {
  std::lock_guard guard(mutex_);
  if (set_) return;
  set_ = true;
  for (auto& wake : wakes_) wake();
  changed_.notify_all();
}

void ManualResetEvent::Reset() {
  std::lock_guard guard(mutex_);
  set_ = false;
}

bool ManualResetEvent::IsSet() const {
  std::lock_guard guard(mutex_);
  return set_;
}

bool ManualResetEvent::WaitFor(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [this] { return set_; });
}

void ManualResetEvent::Wait() const {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return set_; });
}

ManualResetEvent::Subscription ManualResetEvent::OnSet(std::function<void()> wake) {
  std::lock_guard guard(mutex_);
  if (set_) wake();
  wakes_.push_back(std::move(wake));
  return Subscription(this, std::prev(wakes_.end()));
}

ManualResetEvent::Subscription::Subscription(Subscription&& other) noexcept
    : event_(std::exchange(other.event_, nullptr)), it_(other.it_) {}

ManualResetEvent::Subscription& ManualResetEvent::Subscription::operator=(Subscription&& other) noexcept {
  if (this != &other) {
    Release();
    event_ = std::exchange(other.event_, nullptr);
    it_ = other.it_;
  }
  return *this;
}

ManualResetEvent::Subscription::~Subscription() { Release(); }

void ManualResetEvent::Subscription::Release() {
  if (!event_) return;
  std::lock_guard guard(event_->mutex_);
  event_->wakes_.erase(it_);
  event_ = nullptr;
}

namespace {
std::atomic<int64_t> pollIntervalMs{1000};
std::atomic<int> givenUp{0};
}  // namespace

void NoteThreadGivenUp() { ++givenUp; }
int ThreadsGivenUp() { return givenUp.load(); }

ThreadStopPolicy DefaultThreadStopPolicy() {
  return ThreadStopPolicy{std::chrono::milliseconds(pollIntervalMs.load()), 61};
}

void SetThreadStopPollInterval(std::chrono::milliseconds interval) { pollIntervalMs.store(interval.count()); }

// What the thread and its owner share. The thread holds it to the end, so a
// thread that was let go never sees it freed.
struct WorkerThread::Shared {
  std::shared_ptr<ManualResetEvent> stop = std::make_shared<ManualResetEvent>();
  Body body;
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  int32_t exitCode = STILL_ACTIVE;
};

WorkerThread::~WorkerThread() {
  if (Running()) Stop();
}

int32_t WorkerThread::Start(Body body) {
  if (Running()) return ERROR_BUSY;
  auto shared = std::make_shared<Shared>();
  shared->body = std::move(body);
  try {
    thread_ = std::thread([shared] {
      const int32_t code = shared->body(*shared->stop);
      std::lock_guard guard(shared->mutex);
      shared->exitCode = code;
      shared->done = true;
      shared->ended.notify_all();
    });
  } catch (const std::system_error& e) {
    return Win32FromErrno(e.code().value());
  }
  shared_ = std::move(shared);
  return ERROR_SUCCESS;
}

std::shared_ptr<ManualResetEvent> WorkerThread::StopEvent() const { return shared_ ? shared_->stop : nullptr; }

ThreadStopResult WorkerThread::Stop(ThreadStopPolicy policy) {
  if (!Running()) return {ThreadStopOutcome::NoThread, 0};
  auto shared = std::move(shared_);
  shared->stop->Set();
  if (thread_.get_id() == std::this_thread::get_id()) {
    // A thread cannot wait for its own end.
    thread_.detach();
    return {ThreadStopOutcome::Unreadable, Win32FromErrno(EDEADLK)};
  }
  bool ended;
  {
    std::unique_lock lock(shared->mutex);
    ended = shared->done;
    // Each poll waits one interval, but wakes as soon as the thread ends.
    for (int poll = 0; !ended && poll < policy.maxPolls; ++poll)
      ended = shared->ended.wait_for(lock, policy.pollInterval, [&] { return shared->done; });
  }
  if (!ended) {
    thread_.detach();
    NoteThreadGivenUp();
    return {ThreadStopOutcome::TimedOut, -1};
  }
  try {
    thread_.join();
  } catch (const std::system_error& e) {
    thread_.detach();
    return {ThreadStopOutcome::Unreadable, Win32FromErrno(e.code().value())};
  }
  return {ThreadStopOutcome::Ended, shared->exitCode};
}

}  // namespace vk
