// The tray in whatever user session seat0 shows: follows the active session
// (logind) and keeps one tray helper running in it, as its user, while it is
// an X11 user session. On the login screen, a text console or a Wayland
// session no helper runs; the helper of a session that is left is stopped,
// and the next user session gets a new one. A helper that ends or misbehaves
// is not restarted for the same session (no restart loop for a helper that
// keeps failing). A system bus that is not there yet at start (the agent
// started before it) is tried again when the tray next has something to
// show, at most once a second.
//
// The tray manager publishes through Show, Ask and CloseQuestion; what the
// person does in the helper comes back through cVkTrayHelperEvents, on the
// helper link's thread.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "agent/tray/tray_helper_link.h"
#include "agent/tray/tray_presenter.h"
#include "log/orklog.h"
#include "platform/logind/session_watcher.h"

class cVkSessionTrayHost final : public iVkTrayPresenter {
 public:
  struct Config {
    std::string helperProgram;  // absolute path of deskagent-tray
    std::string busAddress;     // empty: the system bus
    // Receives the log of a failure (the agent writes it to its log file).
    std::function<void(cOrkLog&)> writeLog;
    // Extra "NAME=value" entries for the helper's environment.
    std::vector<std::string> extraEnvironment;
  };

  cVkSessionTrayHost(cVkTrayHelperEvents& events, Config config);
  ~cVkSessionTrayHost() override;
  cVkSessionTrayHost(const cVkSessionTrayHost&) = delete;
  cVkSessionTrayHost& operator=(const cVkSessionTrayHost&) = delete;

  // Starts following the seat; 0 or the code of the bus.
  int32_t Start(cOrkLog& log) override;
  void Stop() override;

  // True while a helper runs in the active session.
  bool HelperRunning();
  int HelperPid();

  // What the tray shows, for the helper (dropped while none runs).
  void Show(const cVkTrayState& state, const cVkViewerInfo& viewer) override;
  void Ask(uint64_t id) override;
  void CloseQuestion(uint64_t id) override;

 private:
  // Starts the watcher unless it runs, was stopped, or was tried less than a
  // second ago; 0 or the code of the bus.
  int32_t Follow(bool retry);
  void DropHelper();
  void SessionChanged(const vk::logind::LoginSession& session);
  void StartHelper(const vk::logind::LoginSession& session, std::unique_ptr<cVkTrayHelperLink>* link);
  void HelperEvent(const vk::traylink::TrayMessage& message);
  void HelperEnded(cVkTrayHelperLink::End end);
  bool Send(const vk::traylink::TrayMessage& message);
  void WriteFailure(int32_t code, const char16_t* text);

  cVkTrayHelperEvents& events_;
  Config config_;
  std::mutex lock_;  // guards the link; never held while a link is destroyed
  std::unique_ptr<cVkTrayHelperLink> link_;
  std::string sessionId_;
  std::mutex watchLock_;  // guards what follows; never held while the watcher is destroyed
  std::unique_ptr<vk::logind::SessionWatcher> watcher_;
  bool following_ = false;  // between Start and Stop
  bool starting_ = false;   // a watcher is being started (without the lock)
  std::chrono::steady_clock::time_point lastTry_;
};
