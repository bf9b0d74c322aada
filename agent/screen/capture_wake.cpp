#include "agent/screen/capture_wake.h"

void cVkCaptureWake::Notify() {
  std::lock_guard guard(lock_);
  work_ = true;
  changed_.notify_all();
}

void cVkCaptureWake::Cancel() {
  std::lock_guard guard(lock_);
  cancelled_ = true;
  changed_.notify_all();
}

bool cVkCaptureWake::Wait() {
  std::unique_lock guard(lock_);
  changed_.wait(guard, [this] { return work_ || cancelled_; });
  work_ = false;
  return !cancelled_;
}
