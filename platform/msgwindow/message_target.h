// What receives posted messages: the agent's message window. The hook library
// is handed one and posts to it from its own thread.
#pragma once

#include <cstdint>

namespace vk {

class MessageTarget {
 public:
  virtual ~MessageTarget() = default;
  // Queues a message without waiting for it to be handled; false when the
  // target no longer takes messages.
  virtual bool Post(uint32_t message, uint64_t wParam, int64_t lParam) = 0;
};

}  // namespace vk
