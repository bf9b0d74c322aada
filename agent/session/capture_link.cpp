#include "agent/session/capture_link.h"

#include "common/net/socket.h"

namespace vk {

cVkCaptureLink::cVkCaptureLink(cVkCaptureSet& capture) : capture_(capture) {}

int32_t cVkCaptureLink::StartScreenManager(cOrkLog& log) { return capture_.Screen().Start(log); }
int32_t cVkCaptureLink::StopScreenManager(cOrkLog& log) { return capture_.Screen().Stop(log); }
int32_t cVkCaptureLink::StartDesktopManager(cOrkLog& log) { return capture_.Desktop().Start(log); }
int32_t cVkCaptureLink::StopDesktopManager(cOrkLog& log) { return capture_.Desktop().Stop(log); }
bool cVkCaptureLink::TakeFormatPending() { return capture_.Screen().TakeFormatPending(); }
std::unique_ptr<cVkObject> cVkCaptureLink::MakeScreenInfo() { return capture_.Screen().MakeScreenInfo(); }
void cVkCaptureLink::AddFullScreen() { capture_.Screen().AddFullScreen(); }

int32_t cVkCaptureLink::SendUpdate(cVkSocket& socket) {
  return capture_.Builder().SendUpdate(
      [&socket](std::span<const uint8_t> message) { return socket.SendAll(message.data(), message.size()); });
}

void cVkCaptureLink::RebuildCursorList() {
  std::lock_guard lock(cursorLock_);
  cursors_.Rebuild();
}

bool cVkCaptureLink::TakeCursorChange(uint32_t* index) {
  const uint32_t handle = capture_.Window().TakeCursorChange();
  if (handle == 0) return false;
  std::lock_guard lock(cursorLock_);
  *index = cursors_.IndexOf(handle);
  return true;
}

}  // namespace vk
