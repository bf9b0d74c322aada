// A console-side client of one viewing session: connects to an agent,
// authenticates, and applies the screen formats and updates it receives to
// a screen copy, until enough updates arrived, the time is up or the agent
// closes the connection.
#pragma once

#include <chrono>
#include <functional>
#include <cstdint>
#include <string>
#include <vector>

#include "common/socket/socket.h"
#include "common/screen/screen_buffer.h"
#include "platform/core/text.h"
#include "log/orklog.h"
#include "tools/vksnap/options.h"

namespace vk {

class cVkSnapClient {
 public:
  explicit cVkSnapClient(cOrkLog& log);

  // Runs the session: 0 when at least one screen format arrived, else the
  // failure (logged). Messages of a closing agent land in the log.
  int32_t Run(const cVkSnapOptions& options);

  // Called after each applied update; answering false ends the session
  // (the run then succeeds). Without one, Run ends after options.updates.
  void SetUpdateObserver(std::function<bool()> afterUpdate) { afterUpdate_ = std::move(afterUpdate); }

  uint32_t UpdatesApplied() const { return updates_; }
  uint32_t LastCursorIndex() const { return cursor_; }
  bool AgentClosed() const { return agentClosed_; }
  // Bytes read from the agent in all, and since the first update was applied
  // (what keeping the screen current cost after the full picture).
  uint64_t BytesReceived() const { return bytesReceived_; }
  uint64_t BytesAfterFirstUpdate() const { return updates_ ? bytesReceived_ - bytesAtFirstUpdate_ : 0; }
  cVkScreenBuffer& Screen() { return screen_; }

  // The assembled picture as RGB triplets; false before any screen format.
  bool Picture(uint32_t& width, uint32_t& height, std::vector<uint8_t>& rgb);

 private:
  int32_t Connect(const cVkSnapOptions& options, std::chrono::steady_clock::time_point deadline);
  int32_t ReceiveLoop(const cVkSnapOptions& options, std::chrono::steady_clock::time_point deadline);
  int32_t HandleMessage(uint32_t type);
  int32_t ReceiveRecord(std::vector<uint8_t>& bytes);
  int32_t Receive(void* bytes, size_t length);
  void StartCoverage();
  bool MarkCovered();

  cOrkLog& log_;
  cVkSocket socket_{1};
  cVkScreenBuffer screen_;
  bool haveFormat_ = false;
  bool agentClosed_ = false;
  uint32_t updates_ = 0;
  uint32_t cursor_ = 0;
  uint64_t bytesReceived_ = 0;
  uint64_t bytesAtFirstUpdate_ = 0;
  // Until every pixel of a new screen format has arrived once, updates do
  // not count: the agent may send a large full update as several messages.
  std::vector<uint8_t> covered_;
  size_t uncovered_ = 0;
  std::function<bool()> afterUpdate_;
  bool observerDone_ = false;
};

}  // namespace vk
