// cVkScreenManager: the capture thread and the region of the screen still to
// be captured.
//
// The capture thread connects to the X display, turns its visual into the
// screen format (setting the format-pending flag for the session), and then
// captures the pending region: it sleeps until something is pending, captures
// it, and starts the next capture no sooner than the capture interval after
// the start of the last one.
// A static screen therefore costs no wake-ups at all.
//
// Each start begins a new capture run; a stop ends it. The state below
// belongs to the current run only: a capture thread that a stop had to give
// up on (an X server that stopped answering) finds its run ended and never
// touches the format, the pending region or the update builder of a later
// session. X requests are made outside the lock, so such a thread holds up
// neither the next session nor the message window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "agent/screen/screen_settings.h"
#include "common/screen/screen_info.h"
#include "platform/core/worker_thread.h"
#include "platform/geometry/screen_geometry.h"

class cOrkLog;
class iVkLogSink;
class cVkUpdateBuilder;

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
  struct Shared;
  class CaptureThread;
  std::shared_ptr<Shared> shared_;
  vk::WorkerThread thread_;
};
