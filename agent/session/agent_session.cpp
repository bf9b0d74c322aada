#include "agent/session/agent_session.h"

#include "agent/input/deskhook_input_blocker.h"
#include "agent/input/session_input_adapter.h"
#include "agent/session/agent_session_settings.h"
#include "agent/session/session_screen.h"
#include "agent/tray/session_tray_adapter.h"
#include "platform/power/power_control.h"
#include "platform/xtest/input_injector.h"

namespace vk::agent {
namespace {

class cLogon : public iVkLogonCheck {
 public:
  explicit cLogon(LogonCheck check) : check_(std::move(check)) {}
  int32_t CheckLogonAccess(cOrkLog& log, const std::u16string& user, const std::u16string& domain,
                           const std::u16string& password, uint32_t desiredAccess, uint32_t* granted) override {
    if (!check_) return 5;  // no access check: nobody is admitted
    return check_(log, user, domain, password, desiredAccess, granted);
  }

 private:
  LogonCheck check_;
};

}  // namespace

struct cVkAgentSession::Parts {
  explicit Parts(cVkAgentSessionLinks l)
      : links(std::move(l)),
        screen([this] { return CaptureSettingsOf(*links.settings); }, links.appendLogToFile),
        logon(links.checkLogonAccess),
        tray(cVkSessionTrayAdapter::Wiring{[this] { return Viewer(); },
                                           [this] { return NotificationModeOf(*links.settings); }}),
        power(CreateLogindPowerControl()),
        input(cVkSessionInputAdapter::Wiring{
                  [this](cOrkLog& log, uint32_t* granted) { return sessions.ImpersonateViewer(log, granted); },
                  [this] { screen.AddFullScreen(); }, [this] { return InputSettingsFrom(*links.settings); },
                  links.appendLogToFile},
              *power, CreateXTestInjector(), blocker),
        sessions(SessionParts()) {}

  cVkSessionParts SessionParts() {
    cVkSessionParts p;
    p.logon = &logon;
    p.tray = &tray;
    p.input = &input;
    p.screen = &screen;
    p.settings = [this] { return SessionSettingsOf(*links.settings); };
    p.appendLogToFile = links.appendLogToFile;
    return p;
  }
  cVkViewerInfo Viewer() {
    cVkViewerInfo info;
    sessions.GetViewerInfo(&info.connected, &info.viewerName, &info.address);
    return info;
  }

  cVkAgentSessionLinks links;
  cVkSessionScreen screen;
  cLogon logon;
  cVkSessionTrayAdapter tray;
  cVkDeskHookInputBlocker blocker;
  std::unique_ptr<PowerControl> power;
  cVkSessionInputAdapter input;
  cVkSessionManager sessions;
};

cVkAgentSession::cVkAgentSession(cVkAgentSessionLinks links) : parts_(std::make_unique<Parts>(std::move(links))) {}
cVkAgentSession::~cVkAgentSession() = default;
cVkSessionManager& cVkAgentSession::Sessions() { return parts_->sessions; }
cVkTrayManager& cVkAgentSession::Tray() { return parts_->tray.Manager(); }

}  // namespace vk::agent
