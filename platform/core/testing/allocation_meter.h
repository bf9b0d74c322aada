// AllocationMeter: counts what operator new hands out in a test program.
//
// Linking allocation_meter.cpp into a test replaces the global operator new
// and delete; the counters then cover every allocation of the program, so a
// test reads them around the one call it measures.
#pragma once

#include <cstddef>

namespace vktest {

struct AllocationCounts {
  size_t calls = 0;      // allocations made
  size_t peakBytes = 0;  // most bytes live at once, above the live bytes at the start
};

// Counts from construction to Counts(); one meter at a time. With a limit,
// an allocation that would take the live bytes more than `limitBytes` above
// the start throws std::bad_alloc, so a test of unbounded growth fails
// quickly instead of taking the machine's memory.
class AllocationMeter {
 public:
  explicit AllocationMeter(size_t limitBytes = 0);
  ~AllocationMeter();
  AllocationMeter(const AllocationMeter&) = delete;
  AllocationMeter& operator=(const AllocationMeter&) = delete;
  AllocationCounts Counts() const;

 private:
  size_t startCalls_;
  size_t startLive_;
};

}  // namespace vktest
