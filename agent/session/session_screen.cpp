#include "agent/session/session_screen.h"

#include "common/socket/socket.h"

namespace vk {
namespace {

cVkCaptureSetLinks CaptureLinks(std::function<cVkScreenCaptureSettings()> settings, iVkLogSink* logFile,
                                iVkDesktopSource* desktops) {
  cVkCaptureSetLinks links;
  links.settings = std::move(settings);
  links.logFile = logFile;
  links.source = desktops;
  return links;
}

}  // namespace

cVkSessionScreen::cVkSessionScreen(std::function<cVkScreenCaptureSettings()> settings, iVkLogSink* logFile,
                                   iVkDesktopSource* desktops)
    : capture_(CaptureLinks(std::move(settings), logFile, desktops)) {}

std::unique_ptr<cVkObject> cVkSessionScreen::MakeScreenInfo() { return capture_.Screen().MakeScreenInfo(); }

int32_t cVkSessionScreen::SendUpdate(cVkSocket& socket) {
  return capture_.Builder().SendUpdate(
      [&socket](std::span<const uint8_t> message) { return socket.SendAll(message.data(), message.size()); });
}

bool cVkSessionScreen::TakeCursorChange(uint32_t* index) {
  const uint32_t handle = capture_.Window().TakeCursorChange();
  if (handle == 0) return false;
  *index = cursors_.IndexOf(handle);
  return true;
}

}  // namespace vk
