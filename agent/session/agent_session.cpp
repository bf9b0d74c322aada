#include "agent/session/agent_session.h"

#include "agent/session/session_screen.h"
#include "agent/input/input_handler.h"
#include "agent/session/agent_session_settings.h"
#include "agent/tray/tray_manager.h"
#include "platform/power/power_control.h"
#include "platform/xtest/input_injector.h"

namespace vk::agent {
namespace {

class cLogon : public iVkLogonCheck {
 public:
  explicit cLogon(LogonCheck check) : check_(std::move(check)) {}
  int32_t CheckLogonAccess(cOrkLog& log, const std::u16string& user, const std::u16string& domain,
                           const std::u16string& password, uint32_t desiredAccess, uint32_t* granted) override {
    if (!check_) return ERROR_ACCESS_DENIED_CODE;
    return check_(log, user, domain, password, desiredAccess, granted);
  }
  static constexpr int32_t ERROR_ACCESS_DENIED_CODE = 5;

 private:
  LogonCheck check_;
};

class cTray : public iVkSessionTray {
 public:
  explicit cTray(cVkTrayManager& tray) : tray_(tray) {}
  void UpdateForSession() override { tray_.UpdateForSession(); }
  bool IsViewingAllowed() override { return tray_.IsViewingAllowed(); }
  void CancelQuestion() override { tray_.CancelQuestion(); }

 private:
  cVkTrayManager& tray_;
};

// DeskHook's blocking of the local keyboard and mouse.
class cBlocker : public cVkLocalInputBlocker {
 public:
  void DisableKeyboard() override { ops_.disableKeyboard(); }
  void EnableKeyboard() override { ops_.enableKeyboard(); }
  void DisableMouse() override { ops_.disableMouse(); }
  void EnableMouse() override { ops_.enableMouse(); }

 private:
  cVkLocalInputOps ops_ = VkDeskHookInputOps();
};

}  // namespace

struct cVkAgentSession::Parts : cVkTrayContext, cVkInputSessionLink, iVkSessionInput {
  explicit Parts(cVkAgentSessionLinks l)
      : links(std::move(l)),
        screen([this] { return CaptureSettingsOf(*links.settings); }, links.appendLogToFile),
        logon(links.checkLogonAccess),
        tray(*this),
        trayLink(tray),
        power(CreateLogindPowerControl()),
        input(*this, *power, CreateXTestInjector(), blocker),
        sessions(SessionParts()) {}

  cVkSessionParts SessionParts() {
    cVkSessionParts p;
    p.logon = &logon;
    p.tray = &trayLink;
    p.input = this;
    p.screen = &screen;
    p.settings = [this] { return SessionSettingsOf(*links.settings); };
    p.appendLogToFile = links.appendLogToFile;
    return p;
  }

  // The tray's view of the session and the settings.
  cVkViewerInfo GetViewerInfo() override {
    cVkViewerInfo info;
    sessions.GetViewerInfo(&info.connected, &info.viewerName, &info.address);
    return info;
  }
  uint32_t GetNotificationMode() override { return NotificationModeOf(*links.settings); }

  // The input handler's view of the session.
  int32_t ImpersonateViewer(cOrkLog& log, uint32_t* grantedMask) override {
    return sessions.ImpersonateViewer(log, grantedMask);
  }
  void AddFullScreen() override { screen.AddFullScreen(); }
  cVkInputSettings GetInputSettings() override {
    const cVkSessionInputSettings s = InputSettingsOf(*links.settings);
    return cVkInputSettings{s.inputFlags, s.inputMode, s.inputPort};
  }
  void AppendLogToFile(cOrkLog& log) override {
    if (links.appendLogToFile) links.appendLogToFile(log);
  }

  // The session's view of the input handler (which asks the session for the
  // viewer's rights itself).
  int32_t Start(cOrkLog& log, uint32_t viewerAddress, uint32_t) override { return input.Start(log, viewerAddress); }
  int32_t Stop(cOrkLog& log) override { return input.Stop(log); }

  cVkAgentSessionLinks links;
  cVkSessionScreen screen;
  cLogon logon;
  cVkTrayManager tray;
  cTray trayLink;
  cBlocker blocker;
  std::unique_ptr<PowerControl> power;
  cVkInputHandler input;
  cVkSessionManager sessions;
};

cVkAgentSession::cVkAgentSession(cVkAgentSessionLinks links) : parts_(std::make_unique<Parts>(std::move(links))) {}
cVkAgentSession::~cVkAgentSession() = default;
cVkSessionManager& cVkAgentSession::Sessions() { return parts_->sessions; }
cVkTrayManager& cVkAgentSession::Tray() { return parts_->tray; }

}  // namespace vk::agent
