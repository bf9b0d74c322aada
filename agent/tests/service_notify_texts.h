// Test support: the state reports the agent sends to systemd while it starts
// and stops, with the wait hints of each step.
#pragma once

#include <string>

namespace vk::testing {

inline std::string StartPending(int checkPoint, int hint) {
  return "STATUS=Start pending (checkpoint " + std::to_string(checkPoint) + ", wait hint " + std::to_string(hint) +
         " ms)\nEXTEND_TIMEOUT_USEC=" + std::to_string(hint) + "000\n";
}

inline std::string StopPending(int checkPoint, int hint) {
  return "STOPPING=1\nSTATUS=Stop pending (checkpoint " + std::to_string(checkPoint) + ", wait hint " +
         std::to_string(hint) + " ms)\nEXTEND_TIMEOUT_USEC=" + std::to_string(hint) + "000\n";
}

// The wait hints of the start and the stop steps, in order.
inline constexpr int kStartHints[] = {2000, 5000, 3000, 10000, 3000, 10000, 10000};
inline constexpr int kStopHints[] = {10000, 65000, 65000, 5000, 10000, 10000, 65000};

}  // namespace vk::testing
