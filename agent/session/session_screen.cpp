#include "agent/session/session_screen.h"

#include <utility>

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
    : settings_(settings), capture_(CaptureLinks(std::move(settings), logFile, desktops)) {}

std::unique_ptr<cVkObject> cVkSessionScreen::MakeScreenInfo() { return capture_.Screen().MakeScreenInfo(); }

int32_t cVkSessionScreen::SendUpdate(cVkSocket& socket) {
  return capture_.Builder().SendUpdate([this, &socket](std::span<const uint8_t> message) {
    updateSent_ = true;
    return socket.SendAll(message.data(), message.size());
  });
}

bool cVkSessionScreen::TakeUpdateSent() { return std::exchange(updateSent_, false); }

std::chrono::milliseconds cVkSessionScreen::SendPeriod() {
  const int32_t interval = settings_ ? settings_().captureInterval : VK_SESSION_PERIOD;
  return std::chrono::milliseconds(VkSessionPeriodFor(interval));
}

void cVkSessionScreen::SetChangeListener(std::function<void()> listener) {
  capture_.Builder().SetChangeListener(std::move(listener));
}

bool cVkSessionScreen::TakeCursorChange(uint32_t* index) {
  const uint32_t handle = capture_.Window().TakeCursorChange();
  if (handle == 0) return false;
  *index = cursors_.IndexOf(handle);
  return true;
}

}  // namespace vk
