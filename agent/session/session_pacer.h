// When the session loop runs its next cycle.
//
// A cycle runs once per period, the period counted from the start of the
// last cycle (not from the end of its work). When the capture reports
// changes, the cycle runs at once, so the update leaves right after the
// capture rather than up to a period later; updates still go out at most
// once per period. A cycle with nothing waiting only looks at the console,
// the format and the cursor: those come no more often than every
// kIdleCycle, so a short period costs nothing more while the screen is still.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vk {

class cVkSessionPacer {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kIdleCycle{100};

  cVkSessionPacer(std::chrono::milliseconds period, Clock::time_point start);

  // When the next cycle is due: with changes waiting, a period after the
  // last cycle that sent; otherwise a period, and at least kIdleCycle,
  // after the last cycle's start.
  Clock::time_point NextCycle(bool changesWaiting) const;
  // A cycle starts at `now`; `sent` once it has sent an update.
  void CycleStarted(Clock::time_point now);
  void UpdateSent();
  std::chrono::milliseconds Period() const { return period_; }

 private:
  std::chrono::milliseconds period_;
  std::chrono::milliseconds idlePeriod_;
  Clock::time_point cycleStart_;
  Clock::time_point lastSend_;
};

// The session thread's sleep between cycles: woken by captured changes or
// by the end of the session.
class cVkSessionWake {
 public:
  void ChangesCaptured();
  void Cancel();
  // Sleeps until the pacer's next cycle; false once cancelled. A report of
  // changes brings the cycle forward; it is taken when the cycle starts.
  bool WaitForCycle(const cVkSessionPacer& pacer);

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  bool changes_ = false;
  bool cancelled_ = false;
};

}  // namespace vk
