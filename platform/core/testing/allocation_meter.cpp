#include "platform/core/testing/allocation_meter.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Each block carries its size in a header that keeps the block aligned.
constexpr size_t kHeader = alignof(std::max_align_t);

std::atomic<size_t> calls{0};
std::atomic<size_t> live{0};
std::atomic<size_t> peak{0};
std::atomic<size_t> ceiling{0};  // 0: none

void* Allocate(size_t size) {
  size_t top = ceiling.load(std::memory_order_relaxed);
  if (top != 0 && size > top - std::min(top, live.load(std::memory_order_relaxed))) throw std::bad_alloc();
  void* block = std::malloc(size + kHeader);
  if (block == nullptr) throw std::bad_alloc();
  *static_cast<size_t*>(block) = size;
  calls.fetch_add(1, std::memory_order_relaxed);
  size_t now = live.fetch_add(size, std::memory_order_relaxed) + size;
  size_t seen = peak.load(std::memory_order_relaxed);
  while (now > seen && !peak.compare_exchange_weak(seen, now, std::memory_order_relaxed)) {
  }
  return static_cast<char*>(block) + kHeader;
}

void Release(void* memory) {
  if (memory == nullptr) return;
  void* block = static_cast<char*>(memory) - kHeader;
  live.fetch_sub(*static_cast<size_t*>(block), std::memory_order_relaxed);
  std::free(block);
}

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* memory) noexcept { Release(memory); }
void operator delete[](void* memory) noexcept { Release(memory); }
void operator delete(void* memory, size_t) noexcept { Release(memory); }
void operator delete[](void* memory, size_t) noexcept { Release(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { Release(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { Release(memory); }

namespace vktest {

AllocationMeter::AllocationMeter(size_t limitBytes) : startCalls_(calls.load()), startLive_(live.load()) {
  peak.store(startLive_);
  ceiling.store(limitBytes == 0 ? 0 : startLive_ + limitBytes);
}

AllocationMeter::~AllocationMeter() { ceiling.store(0); }

AllocationCounts AllocationMeter::Counts() const {
  size_t top = peak.load();
  return {calls.load() - startCalls_, top > startLive_ ? top - startLive_ : 0};
}

}  // namespace vktest
