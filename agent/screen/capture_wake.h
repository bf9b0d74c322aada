// The capture thread's sleep: it wakes when something is pending or its stop
// was asked. Both flags live under the one lock the sleeper waits with, so a
// wake-up can never fall between the sleeper's check and its sleep.
#pragma once

#include <condition_variable>
#include <mutex>

class cVkCaptureWake {
 public:
  // Something was added to the pending region.
  void Notify();
  // The capture run ends; every later Wait answers false at once.
  void Cancel();
  // Sleeps until Notify or Cancel; true for work (and the work flag taken),
  // false once cancelled.
  bool Wait();

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  bool work_ = false;
  bool cancelled_ = false;
};
