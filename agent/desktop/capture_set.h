// The agent's screen side assembled: update builder, screen manager, message
// window and desktop manager, wired to each other, to the hook library and to
// the X display's desktop. One instance serves the agent's sessions.
#pragma once

#include <functional>
#include <memory>

#include "agent/desktop/desktop_manager.h"
#include "agent/desktop/desktop_source.h"
#include "agent/screen/message_window.h"
#include "agent/screen/screen_manager.h"
#include "agent/screen/update_builder.h"

struct cVkCaptureSetLinks {
  std::function<cVkScreenCaptureSettings()> settings;
  iVkLogSink* logFile = nullptr;  // the agent's log file
  // By default the X display and libdeskhook; the agent follows the active
  // session with a source of its own, tests with fakes.
  iVkDesktopSource* source = nullptr;
  iVkHookLibrary* hooks = nullptr;
  uint32_t restartDelayMs = VK_RESTART_DELAY_MS;
  uint32_t desktopCheckMs = 500;
};

class cVkCaptureSet {
 public:
  explicit cVkCaptureSet(cVkCaptureSetLinks links);
  ~cVkCaptureSet();

  cVkUpdateBuilder& Builder() { return builder_; }
  cVkScreenManager& Screen() { return *screen_; }
  cVkMessageWindow& Window() { return *window_; }
  cVkDesktopManager& Desktop() { return *desktop_; }

 private:
  cVkDisplayDesktopSource displaySource_;
  cVkDeskHookLibrary deskHook_;
  cVkUpdateBuilder builder_;
  std::unique_ptr<cVkScreenManager> screen_;
  std::unique_ptr<cVkMessageWindow> window_;
  std::unique_ptr<cVkDesktopManager> desktop_;
};
