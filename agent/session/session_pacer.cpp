#include "agent/session/session_pacer.h"

#include <algorithm>

namespace vk {

cVkSessionPacer::cVkSessionPacer(std::chrono::milliseconds period, Clock::time_point start)
    : period_(period), idlePeriod_(std::max(period, kIdleCycle)), cycleStart_(start), lastSend_(start - period) {}

cVkSessionPacer::Clock::time_point cVkSessionPacer::NextCycle(bool changesWaiting) const {
  return changesWaiting ? lastSend_ + period_ : cycleStart_ + idlePeriod_;
}

void cVkSessionPacer::CycleStarted(Clock::time_point now) { cycleStart_ = now; }

void cVkSessionPacer::UpdateSent() { lastSend_ = cycleStart_; }

void cVkSessionWake::ChangesCaptured() {
  std::lock_guard guard(lock_);
  changes_ = true;
  changed_.notify_all();
}

void cVkSessionWake::Cancel() {
  std::lock_guard guard(lock_);
  cancelled_ = true;
  changed_.notify_all();
}

bool cVkSessionWake::WaitForCycle(const cVkSessionPacer& pacer) {
  std::unique_lock guard(lock_);
  while (!cancelled_) {
    const auto due = pacer.NextCycle(changes_);
    if (cVkSessionPacer::Clock::now() >= due) break;
    changed_.wait_until(guard, due);
  }
  changes_ = false;
  return !cancelled_;
}

}  // namespace vk
