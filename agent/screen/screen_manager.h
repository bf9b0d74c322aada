// cVkScreenManager: the capture thread and the region of the screen still to
// be captured.
//
// The capture thread connects to the X display, turns its visual into the
// screen format (setting the format-pending flag for the session), and then
// captures the pending region: it sleeps until something is pending, captures
// it, and lets at least the capture interval pass before the next capture.
// A static screen therefore costs no wake-ups at all.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "agent/screen/screen_region.h"
#include "agent/screen/screen_settings.h"
#include "common/screen/screen_info.h"
#include "platform/core/worker_thread.h"
#include "platform/x11/screen_format.h"

class cOrkLog;
class iVkLogSink;
class cVkUpdateBuilder;
namespace vk::x11 {
class ScreenGrabber;
}

// What the screen manager needs from the rest of the agent.
struct cVkScreenManagerLinks {
  std::function<cVkScreenCaptureSettings()> settings;
  // The agent's log file; none: failures stay in the thread's log.
  iVkLogSink* logFile = nullptr;
  // Puts the calling thread on the current input desktop; 0 or the error.
  std::function<int32_t(cOrkLog&)> useInputDesktop;
};

class cVkScreenManager {
 public:
  cVkScreenManager(cVkUpdateBuilder& builder, cVkScreenManagerLinks links);
  ~cVkScreenManager();
  cVkScreenManager(const cVkScreenManager&) = delete;
  cVkScreenManager& operator=(const cVkScreenManager&) = delete;

  int32_t Start(cOrkLog& log);
  int32_t Stop(cOrkLog& log);
  bool Running() const;

  // Answers and clears the format-pending flag; taking it lets updates of the
  // new format go out.
  bool TakeFormatPending();
  // The current format with width, height (positive) and bits per pixel
  // restored; null before the screen has been initialised.
  std::unique_ptr<cVkScreenInfo> MakeScreenInfo();
  void AddRect(const VkRect& rect);
  void AddFullScreen();

  // The current size (0 x 0 while not initialised) and the pending region.
  VkScreenGeometry Geometry() const;
  std::vector<VkRect> PendingRects() const;

 private:
  struct CaptureState;
  int32_t CaptureThread(vk::ManualResetEvent& stop);
  int32_t InitializeScreen(cOrkLog& log, CaptureState& state, const cVkScreenCaptureSettings& settings);
  int32_t CapturePending(cOrkLog& log, CaptureState& state);
  int32_t CaptureSection(cOrkLog& log, CaptureState& state, VkRect section);
  void ReleaseScreen(CaptureState& state);
  // Waits until something is pending or the stop event is set; false on stop.
  bool WaitForPending(vk::ManualResetEvent& stop);

  cVkUpdateBuilder& builder_;
  cVkScreenManagerLinks links_;
  mutable std::recursive_mutex lock_;
  std::condition_variable_any pendingChanged_;
  VkScreenGeometry geometry_;
  vk::ScreenFormat format_;
  bool initialized_ = false;
  cVkScreenRegion pending_;
  bool formatPending_ = false;
  vk::WorkerThread thread_;
};
