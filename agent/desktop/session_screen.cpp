#include "agent/desktop/session_screen.h"

#include "common/net/socket.h"
#include "common/settings/service_settings.h"

cVkScreenCaptureSettings VkCaptureSettingsFrom(const cVkServiceSettings& settings) {
  cVkScreenCaptureSettings out;
  const auto screen = settings.GetScreen();
  out.fullRefreshInterval = screen->GetFullRefreshInterval();
  out.foregroundRefreshInterval = screen->GetForegroundRefreshInterval();
  out.captureInterval = screen->GetCaptureInterval();
  out.compressionLevel = screen->GetCompressionLevel();
  const auto input = settings.GetInput();
  out.disableLocalKeyboard = input->GetDisableLocalKeyboard();
  out.disableLocalMouse = input->GetDisableLocalMouse();
  return out;
}

cVkSessionScreen::cVkSessionScreen(const cVkServiceSettings& settings, std::function<void(cOrkLog&)> appendLogToFile)
    : set_([&] {
        cVkCaptureSetLinks links;
        links.settings = [&settings] { return VkCaptureSettingsFrom(settings); };
        links.appendLogToFile = std::move(appendLogToFile);
        return links;
      }()) {}

std::unique_ptr<cVkObject> cVkSessionScreen::MakeScreenInfo() { return set_.Screen().MakeScreenInfo(); }

int32_t cVkSessionScreen::SendUpdate(cVkSocket& socket) {
  return set_.Builder().SendUpdate(
      [&socket](std::span<const uint8_t> message) { return socket.SendAll(message.data(), message.size()); });
}

bool cVkSessionScreen::TakeCursorChange(uint32_t* index) {
  const uint32_t handle = set_.Window().TakeCursorChange();
  if (handle == 0) return false;
  if (index) *index = cursors_.IndexOf(handle);
  return true;
}
