// The input handler as the session manager drives it, wired to the session
// manager, the screen capture, the settings and the agent's log file.
#pragma once

#include <functional>
#include <memory>

#include "agent/input/input_handler.h"
#include "agent/session/session_parts.h"

class cVkServiceSettings;

class cVkSessionInputAdapter final : public vk::iVkSessionInput, public cVkInputSessionLink {
 public:
  struct Wiring {
    // The session manager's ImpersonateViewer (answers the granted rights).
    std::function<int32_t(cOrkLog&, uint32_t*)> impersonateViewer;
    // The screen manager's AddFullScreen.
    std::function<void()> addFullScreen;
    std::function<cVkInputSettings()> settings;
    std::function<void(cOrkLog&)> appendLogToFile;
  };

  cVkSessionInputAdapter(Wiring wiring, vk::PowerControl& power, std::unique_ptr<vk::InputInjector> injector,
                         cVkLocalInputBlocker& blocker)
      : wiring_(std::move(wiring)), handler_(*this, power, std::move(injector), blocker) {}

  int32_t Start(cOrkLog& log, uint32_t viewerAddress, uint32_t) override { return handler_.Start(log, viewerAddress); }
  int32_t Stop(cOrkLog& log) override { return handler_.Stop(log); }
  cVkInputHandler& Handler() { return handler_; }

  int32_t ImpersonateViewer(cOrkLog& log, uint32_t* grantedMask) override {
    return wiring_.impersonateViewer(log, grantedMask);
  }
  void AddFullScreen() override {
    if (wiring_.addFullScreen) wiring_.addFullScreen();
  }
  cVkInputSettings GetInputSettings() override { return wiring_.settings(); }
  void AppendLogToFile(cOrkLog& log) override {
    if (wiring_.appendLogToFile) wiring_.appendLogToFile(log);
  }

 private:
  Wiring wiring_;
  cVkInputHandler handler_;
};

// The input part and the input channel of the agent's settings.
cVkInputSettings InputSettingsFrom(const cVkServiceSettings& settings);
