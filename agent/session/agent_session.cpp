#include "agent/session/agent_session.h"

#include "agent/input/agent_input.h"
#include "agent/session/agent_session_settings.h"
#include "agent/session/session_screen.h"
#include "agent/tray/agent_tray.h"

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

// The session manager, the screen side and the access check are this
// object's; the tray manager and the input handler are the agent's own ones,
// told here how to reach the session.
struct cVkAgentSession::Parts {
  explicit Parts(cVkAgentSessionLinks l)
      : links(std::move(l)),
        screen([this] { return CaptureSettingsOf(*links.settings); }, links.appendLogToFile),
        logon(links.checkLogonAccess),
        sessions(SessionParts()) {
    ConnectAgentTray(
        [this] {
          cVkViewerInfo info;
          sessions.GetViewerInfo(&info.connected, &info.viewerName, &info.address);
          return info;
        },
        [this] { return NotificationModeOf(*links.settings); });
    ConnectAgentInput({[this](cOrkLog& log, uint32_t* granted) { return sessions.ImpersonateViewer(log, granted); },
                       [this] { screen.AddFullScreen(); }, [this] { return InputSettingsFrom(*links.settings); },
                       links.appendLogToFile});
  }

  cVkSessionParts SessionParts() {
    cVkSessionParts p;
    p.logon = &logon;
    p.tray = &AgentTray();
    p.input = &AgentInput();
    p.screen = &screen;
    p.settings = [this] { return SessionSettingsOf(*links.settings); };
    p.appendLogToFile = links.appendLogToFile;
    return p;
  }

  cVkAgentSessionLinks links;
  cVkSessionScreen screen;
  cLogon logon;
  cVkSessionManager sessions;
};

cVkAgentSession::cVkAgentSession(cVkAgentSessionLinks links) : parts_(std::make_unique<Parts>(std::move(links))) {}
cVkAgentSession::~cVkAgentSession() = default;
cVkSessionManager& cVkAgentSession::Sessions() { return parts_->sessions; }
cVkTrayManager& cVkAgentSession::Tray() { return AgentTray().Manager(); }

}  // namespace vk::agent
