// The console's side of the update connection after authentication: reads
// one message of the agent (screen format, screen data, closing log, cursor)
// and applies it to the screen copy.
//
// Nothing the agent sends is trusted: an object length beyond what a screen
// format or a log can need, an object of another class than the message
// type says, a format with impossible sizes, screen data before any format,
// a stream longer than the compressed buffer, one that does not inflate,
// and sections outside the screen end the session with a logged reason; the
// screen copy keeps what it had.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "common/screen/screen_buffer.h"

class cOrkLog;

// The agent ended the session (stream closed or its closing log arrived).
inline constexpr int32_t kVkSessionClosedByAgent = -19;

// What happened, for the viewer window.
class iVkSessionEvents {
 public:
  virtual ~iVkSessionEvents() = default;
  virtual void OnScreenFormat() = 0;  // a new format was applied
  virtual void OnScreenData() = 0;    // rectangles joined the dirty list
  virtual void OnCursor(uint32_t index) = 0;
};

class cVkSessionReceiver {
 public:
  // Receives exactly `length` bytes; 0, the socket error, or -19 when the
  // peer closed the stream.
  using Receive = std::function<int32_t(void* bytes, size_t length)>;

  // Largest object record accepted (a screen format is about 1.1 KB, a
  // session log a few KB).
  static constexpr uint32_t kObjectLimit = 16u << 20;

  // Largest frame copy taken on by default (an 8192 x 8192 screen at 32
  // bits); the copy needs about three times this in all.
  static constexpr uint64_t kDefaultFrameLimit = 256ull << 20;

  cVkSessionReceiver(cVkScreenBuffer& screen, cOrkLog& log) : screen_(screen), log_(log) {}

  // Screen formats whose frame copy would need more are refused.
  void SetFrameLimit(uint64_t bytes) { frameLimit_ = bytes; }

  // Receives the next command code; logs a failure.
  int32_t ReceiveCommand(const Receive& receive, uint32_t* code);
  // Receives what follows `code` and acts on it. 0 when the session goes on;
  // -19 when the agent ended it (its closing log is then what `log` holds);
  // else the error (logged). Unknown codes are ignored.
  int32_t HandleCommand(uint32_t code, const Receive& receive, iVkSessionEvents& events);

 private:
  int32_t HandleScreenData(const Receive& receive, iVkSessionEvents& events);
  int32_t HandleScreenFormat(const Receive& receive, iVkSessionEvents& events);
  int32_t HandleClosingLog(const Receive& receive);
  int32_t HandleCursor(const Receive& receive, iVkSessionEvents& events);
  int32_t ReceiveObjectRecord(const Receive& receive);
  int32_t ScreenDataFailed(int32_t code);
  int32_t ObjectFailed(int32_t code);

  cVkScreenBuffer& screen_;
  cOrkLog& log_;
  uint64_t frameLimit_ = kDefaultFrameLimit;
  std::vector<uint8_t> record_;
  std::vector<uint8_t> stream_;
};
