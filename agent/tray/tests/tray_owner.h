// A stand-in notification area: an X client that owns _NET_SYSTEM_TRAY_S0
// and records the icons that ask to be docked.
#pragma once

#include <chrono>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

namespace vk::testing {

class FakeTrayOwner {
 public:
  ~FakeTrayOwner();
  bool Open(const std::string& displayName);
  // Waits until an icon window asked to be docked; its window id, 0 if none came.
  unsigned long WaitForDockRequest(std::chrono::milliseconds timeout);

 private:
  Display* display_ = nullptr;
  unsigned long window_ = 0;
  unsigned long opcodeAtom_ = 0;
  std::vector<unsigned long> docked_;
};

}  // namespace vk::testing
