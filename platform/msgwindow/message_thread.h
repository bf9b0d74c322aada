// A message queue served by a thread of its own, with timers: the agent's
// hidden message window. Other threads post messages to it; the thread hands
// each message, and each timer expiry, to the handler given at start, in the
// order they arrive. The thread sleeps on a condition variable until the next
// message or the next timer is due; it never polls.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string_view>
#include <thread>

#include "platform/msgwindow/message_target.h"

namespace vk {

inline constexpr uint32_t kTimerMessage = 0x0113;  // wParam: timer id
inline constexpr uint32_t kQuitMessage = 0x0012;

struct WindowMessage {
  uint32_t message = 0;
  uint64_t wParam = 0;
  int64_t lParam = 0;
};

// The id of a registered message name: the same name always gives the same id
// within the process (0xC000 and above), as registered window messages do.
uint32_t RegisterMessageName(std::u16string_view name);

class MessageThread final : public MessageTarget {
 public:
  using Handler = std::function<void(const WindowMessage&)>;

  MessageThread() = default;
  ~MessageThread() override;
  MessageThread(const MessageThread&) = delete;
  MessageThread& operator=(const MessageThread&) = delete;

  // Starts the thread; false when it already runs.
  bool Start(Handler handler);
  bool Running() const;

  // Queues a message; false once the thread has been asked to quit or has ended.
  bool Post(uint32_t message, uint64_t wParam, int64_t lParam) override;
  // The thread ends after the messages queued before the quit message.
  void PostQuit();
  // Waits for the thread to end, at most `timeout`; true when it has ended.
  bool Join(std::chrono::milliseconds timeout);

  // Starts or restarts a timer that fires every `interval` until killed;
  // an interval below 1 ms is taken as 1 ms.
  void SetTimer(uint32_t id, std::chrono::milliseconds interval);
  // Stops a timer; false when it was not running.
  bool KillTimer(uint32_t id);
  bool TimerRunning(uint32_t id) const;

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    std::chrono::milliseconds interval;
    Clock::time_point due;
  };

  void Run(Handler handler);
  // Waits for the next message or due timer; false when the thread must end.
  bool Next(WindowMessage& out);

  mutable std::mutex lock_;
  std::condition_variable wake_;
  std::condition_variable ended_;
  std::deque<WindowMessage> queue_;
  std::map<uint32_t, Timer> timers_;
  bool running_ = false;
  bool quitting_ = false;
  std::thread thread_;
};

}  // namespace vk
