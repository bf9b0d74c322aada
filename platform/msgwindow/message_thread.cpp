#include "platform/msgwindow/message_thread.h"

#include <string>
#include <unordered_map>

namespace vk {

uint32_t RegisterMessageName(std::u16string_view name) {
  static std::mutex lock;
  static std::unordered_map<std::u16string, uint32_t> ids;
  std::lock_guard guard(lock);
  auto [it, added] = ids.try_emplace(std::u16string(name), 0xC000u + static_cast<uint32_t>(ids.size()));
  return it->second;
}

MessageThread::~MessageThread() {
  PostQuit();
  if (thread_.joinable()) thread_.join();
}

bool MessageThread::Start(Handler handler) {
  std::lock_guard guard(lock_);
  if (running_) return false;
  if (thread_.joinable()) thread_.join();  // an earlier run that has ended
  running_ = true;
  quitting_ = false;
  queue_.clear();
  timers_.clear();
  thread_ = std::thread([this, h = std::move(handler)] { Run(h); });
  return true;
}

bool MessageThread::Running() const {
  std::lock_guard guard(lock_);
  return running_;
}

bool MessageThread::Post(uint32_t message, uint64_t wParam, int64_t lParam) {
  {
    std::lock_guard guard(lock_);
    if (!running_ || quitting_) return false;
    queue_.push_back({message, wParam, lParam});
  }
  wake_.notify_one();
  return true;
}

void MessageThread::PostQuit() {
  {
    std::lock_guard guard(lock_);
    if (!running_ || quitting_) return;
    quitting_ = true;
    queue_.push_back({kQuitMessage, 0, 0});
  }
  wake_.notify_one();
}

bool MessageThread::Join(std::chrono::milliseconds timeout) {
  std::unique_lock guard(lock_);
  if (!ended_.wait_for(guard, timeout, [this] { return !running_; })) return false;
  guard.unlock();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
  return true;
}

void MessageThread::SetTimer(uint32_t id, std::chrono::milliseconds interval) {
  if (interval < std::chrono::milliseconds(1)) interval = std::chrono::milliseconds(1);
  {
    std::lock_guard guard(lock_);
    timers_[id] = Timer{interval, Clock::now() + interval};
  }
  wake_.notify_one();
}

bool MessageThread::KillTimer(uint32_t id) {
  std::lock_guard guard(lock_);
  return timers_.erase(id) != 0;
}

bool MessageThread::TimerRunning(uint32_t id) const {
  std::lock_guard guard(lock_);
  return timers_.count(id) != 0;
}

bool MessageThread::Next(WindowMessage& out) {
  std::unique_lock guard(lock_);
  for (;;) {
    if (!queue_.empty()) {
      out = queue_.front();
      queue_.pop_front();
      return out.message != kQuitMessage;
    }
    // The earliest due timer, if any, bounds the wait.
    auto earliest = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
      if (earliest == timers_.end() || it->second.due < earliest->second.due) earliest = it;
    }
    if (earliest == timers_.end()) {
      wake_.wait(guard);
      continue;
    }
    const auto now = Clock::now();
    if (earliest->second.due <= now) {
      earliest->second.due = now + earliest->second.interval;
      out = {kTimerMessage, earliest->first, 0};
      return true;
    }
    // A copy: the timer may be killed, and its entry erased, during the wait.
    const Clock::time_point due = earliest->second.due;
    wake_.wait_until(guard, due);
  }
}

void MessageThread::Run(Handler handler) {
  WindowMessage message;
  while (Next(message)) handler(message);
  {
    std::lock_guard guard(lock_);
    running_ = false;
    quitting_ = true;
    timers_.clear();
    queue_.clear();
  }
  ended_.notify_all();
}

}  // namespace vk
