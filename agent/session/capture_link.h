// The session's screen side on the agent's capture set: screen manager,
// update builder, message window (cursor) and desktop manager.
#pragma once

#include <mutex>

#include "agent/desktop/capture_set.h"
#include "agent/screen/agent_cursor_platform.h"
#include "agent/session/session_parts.h"
#include "common/screen/cursor_list.h"

namespace vk {

class cVkCaptureLink : public iVkSessionScreen {
 public:
  explicit cVkCaptureLink(cVkCaptureSet& capture);

  int32_t StartScreenManager(cOrkLog& log) override;
  int32_t StopScreenManager(cOrkLog& log) override;
  int32_t StartDesktopManager(cOrkLog& log) override;
  int32_t StopDesktopManager(cOrkLog& log) override;
  bool TakeFormatPending() override;
  std::unique_ptr<cVkObject> MakeScreenInfo() override;
  void AddFullScreen() override;
  int32_t SendUpdate(cVkSocket& socket) override;
  void RebuildCursorList() override;
  bool TakeCursorChange(uint32_t* index) override;

 private:
  cVkCaptureSet& capture_;
  cVkAgentCursorPlatform cursorPlatform_;
  std::mutex cursorLock_;
  cVkCursorList cursors_{&cursorPlatform_};
};

}  // namespace vk
