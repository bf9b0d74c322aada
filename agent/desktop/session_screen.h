// The screen side as a viewing session drives it: one capture set (update
// builder, screen manager, message window, desktop manager on the X display)
// and the session's cursor list, with the agent's settings and log file.
#pragma once

#include <functional>
#include <memory>

#include "agent/desktop/capture_set.h"
#include "agent/screen/agent_cursor_platform.h"
#include "agent/session/session_parts.h"
#include "common/screen/cursor_list.h"

class cVkServiceSettings;

// The screen and input parts of the settings as the capture uses them.
cVkScreenCaptureSettings VkCaptureSettingsFrom(const cVkServiceSettings& settings);

class cVkSessionScreen : public vk::iVkSessionScreen {
 public:
  cVkSessionScreen(const cVkServiceSettings& settings, std::function<void(cOrkLog&)> appendLogToFile);

  int32_t StartScreenManager(cOrkLog& log) override { return set_.Screen().Start(log); }
  int32_t StopScreenManager(cOrkLog& log) override { return set_.Screen().Stop(log); }
  int32_t StartDesktopManager(cOrkLog& log) override { return set_.Desktop().Start(log); }
  int32_t StopDesktopManager(cOrkLog& log) override { return set_.Desktop().Stop(log); }
  bool TakeFormatPending() override { return set_.Screen().TakeFormatPending(); }
  std::unique_ptr<cVkObject> MakeScreenInfo() override;
  void AddFullScreen() override { set_.Screen().AddFullScreen(); }
  int32_t SendUpdate(cVkSocket& socket) override;
  void RebuildCursorList() override { cursors_.Rebuild(); }
  bool TakeCursorChange(uint32_t* index) override;

  // For the input handler (full refresh, desktop of the replay thread).
  cVkCaptureSet& Capture() { return set_; }

 private:
  cVkCaptureSet set_;
  cVkAgentCursorPlatform cursorPlatform_;
  cVkCursorList cursors_{&cursorPlatform_};
};
