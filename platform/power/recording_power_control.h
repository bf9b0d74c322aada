// A power control that records the actions asked of it instead of carrying
// them out (tests, and machines where nobody may be logged off).
#pragma once

#include <mutex>
#include <vector>

#include "platform/power/power_control.h"

namespace vk {

class RecordingPowerControl final : public iVkPowerControl {
 public:
  int32_t Perform(PowerAction action) override {
    std::lock_guard<std::mutex> hold(lock_);
    actions_.push_back(action);
    return result_;
  }
  std::vector<PowerAction> Actions() {
    std::lock_guard<std::mutex> hold(lock_);
    return actions_;
  }
  void SetResult(int32_t result) {
    std::lock_guard<std::mutex> hold(lock_);
    result_ = result;
  }

 private:
  std::mutex lock_;
  std::vector<PowerAction> actions_;
  int32_t result_ = 0;
};

}  // namespace vk
