// The screen side as a viewing session drives it: one capture set (update
// builder, screen manager, message window, desktop manager on the X display)
// and the session's cursor list.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "agent/desktop/capture_set.h"
#include "agent/screen/agent_cursor_platform.h"
#include "agent/session/session_parts.h"
#include "common/screen/cursor_list.h"

namespace vk {

class cVkSessionScreen : public iVkSessionScreen {
 public:
  // `settings` is read as a copy at each start of the capture; `desktops`
  // null: the one display DISPLAY names.
  cVkSessionScreen(std::function<cVkScreenCaptureSettings()> settings, iVkLogSink* logFile,
                   iVkDesktopSource* desktops = nullptr);

  int32_t StartScreenManager(cOrkLog& log) override { return capture_.Screen().Start(log); }
  int32_t StopScreenManager(cOrkLog& log) override { return capture_.Screen().Stop(log); }
  int32_t StartDesktopManager(cOrkLog& log) override { return capture_.Desktop().Start(log); }
  int32_t StopDesktopManager(cOrkLog& log) override { return capture_.Desktop().Stop(log); }
  bool TakeFormatPending() override { return capture_.Screen().TakeFormatPending(); }
  std::unique_ptr<cVkObject> MakeScreenInfo() override;
  void AddFullScreen() override { capture_.Screen().AddFullScreen(); }
  int32_t SendUpdate(cVkSocket& socket) override;
  bool TakeUpdateSent() override;
  std::chrono::milliseconds SendPeriod() override;
  void SetChangeListener(std::function<void()> listener) override;
  // Both run on the session's thread only.
  void RebuildCursorList() override { cursors_.Rebuild(); }
  bool TakeCursorChange(uint32_t* index) override;

 private:
  std::function<cVkScreenCaptureSettings()> settings_;
  bool updateSent_ = false;
  cVkCaptureSet capture_;
  cVkAgentCursorPlatform cursorPlatform_;
  cVkCursorList cursors_{&cursorPlatform_};
};

}  // namespace vk
