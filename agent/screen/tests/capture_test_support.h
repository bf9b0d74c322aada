// Test support: the viewer's screen copy fed with update messages, a log
// sink, and waiting on conditions with a deadline.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "agent/service/log_sink.h"
#include "common/screen/screen_buffer.h"
#include "log/orklog.h"
#include "platform/core/text.h"

namespace vk::test {

// Checks `pred` until it holds or 20 s have passed.
template <class Pred>
bool WaitUntil(Pred pred) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// What the agent would have written to its log file.
struct LogSink : iVkLogSink {
  std::mutex lock;
  std::vector<std::u16string> lines;

  void AppendLogToFile(cOrkLog& log) override { Take(log); }
  void Take(cOrkLog& log) {
    std::lock_guard g(lock);
    for (const cOrkLogMessage& m : log.GetMessages()) lines.push_back(m.text);
    log.Clear();
  }
  bool Has(const std::u16string& line) {
    std::lock_guard g(lock);
    for (auto& l : lines)
      if (l == line) return true;
    return false;
  }
};

// The viewer's copy of the screen, fed with update messages.
struct ViewerCopy {
  cVkScreenBuffer buffer;
  size_t messages = 0;
  size_t bytes = 0;
  int32_t error = 0;

  std::function<int32_t(std::span<const uint8_t>)> Sink() {
    return [this](std::span<const uint8_t> message) {
      uint32_t type = 0, n = 0;
      std::memcpy(&type, message.data(), 4);
      std::memcpy(&n, message.data() + 4, 4);
      if (type != 1 || n + 8 != message.size()) error = -1;
      ++messages;
      bytes += message.size();
      const int32_t r = buffer.ApplyBlock(message.subspan(8));
      if (r != 0) error = r;
      return 0;
    };
  }
  // The copy as 32-bit pixels without the unused top byte.
  std::vector<uint32_t> Pixels() {
    std::vector<uint32_t> out;
    buffer.ReadFrame([&](std::span<const uint8_t> f, const VkScreenGeometry&, const cVkScreenInfo&) {
      out.resize(f.size() / 4);
      std::memcpy(out.data(), f.data(), out.size() * 4);
    });
    for (auto& p : out) p &= 0xFFFFFF;
    return out;
  }
};

}  // namespace vk::test
