// The messages a viewer window receives from its connection's threads, the
// state images it hands to the browse tree, and the port through which the
// threads post them.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

inline constexpr uint32_t UM_PROGRESS_TEXT = 0x410;
inline constexpr uint32_t UM_SCREEN_DATA = 0x412;
inline constexpr uint32_t UM_SCREEN_FORMAT = 0x413;
inline constexpr uint32_t UM_SEND_INPUT = 0x415;
inline constexpr uint32_t UM_STOP_INPUT = 0x416;
inline constexpr uint32_t UM_CONNECTION_FAILED = 0x417;
inline constexpr uint32_t UM_TREE_STATE = 0x419;
inline constexpr uint32_t UM_CURSOR = 0x41A;
inline constexpr uint32_t UM_SHOW_REMOTE_DESKTOP = 0x41B;

// State images of a computer's node while a viewer runs.
inline constexpr uint32_t kStateConnecting = 11;  // connecting, also closing
inline constexpr uint32_t kStateWaiting = 6;      // connected, waiting for the next command
inline constexpr uint32_t kStateHandling = 7;     // a command is being handled
inline constexpr uint32_t kStateClosed = 2;       // closed without error
inline constexpr uint32_t kStateFailed = 8;       // the session failed

// Receives posted messages on the window's own thread.
class iVkViewerWindow {
 public:
  virtual ~iVkViewerWindow() = default;
  // Called from any thread; must only queue the message.
  virtual void PostViewerMessage(uint32_t message, uint32_t wParam) = 0;
};

// What the threads hold instead of the window itself: a window that goes
// away disconnects, and a thread that outlives it posts into nothing.
class cVkViewerPort {
 public:
  explicit cVkViewerPort(iVkViewerWindow* window) : window_(window) {}
  void Post(uint32_t message, uint32_t wParam = 0) {
    std::lock_guard guard(mutex_);
    if (window_ != nullptr) window_->PostViewerMessage(message, wParam);
  }
  void Disconnect() {
    std::lock_guard guard(mutex_);
    window_ = nullptr;
  }

 private:
  std::mutex mutex_;
  iVkViewerWindow* window_;
};
