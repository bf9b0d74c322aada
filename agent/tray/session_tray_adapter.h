// The tray manager as the session manager and the service see it, wired to
// the session manager's viewer and the settings' notification mode.
#pragma once

#include <functional>
#include <string>

#include "agent/session/session_parts.h"
#include "agent/tray/tray_manager.h"

class cVkSessionTrayAdapter final : public vk::iVkSessionTray, public cVkTrayContext {
 public:
  struct Wiring {
    std::function<cVkViewerInfo()> viewer;        // the session manager's GetViewerInfo
    std::function<uint32_t()> notificationMode;   // the tray settings' notificationMode
  };

  explicit cVkSessionTrayAdapter(Wiring wiring, std::string displayName = {})
      : wiring_(std::move(wiring)), tray_(*this, std::move(displayName)) {}

  void UpdateForSession() override { tray_.UpdateForSession(); }
  bool IsViewingAllowed() override { return tray_.IsViewingAllowed(); }
  // The agent is stopping: an open consent question counts as "No".
  void CancelQuestion() override { tray_.CancelQuestion(); }
  cVkTrayManager& Manager() { return tray_; }

  cVkViewerInfo GetViewerInfo() override { return wiring_.viewer ? wiring_.viewer() : cVkViewerInfo{}; }
  uint32_t GetNotificationMode() override {
    return wiring_.notificationMode ? wiring_.notificationMode() : NOTIFY_QUESTION;
  }

 private:
  Wiring wiring_;
  cVkTrayManager tray_;
};
