// cVkTrayManager: tells the person at the managed computer that the desktop
// is being viewed, asks for consent in question mode and lets the person
// withdraw it at any time.
//
// The icon, balloons, menu, question box and About window are shown by a
// presenter: in the agent, the tray helper that runs in seat0's active user
// session as that user (the agent process itself has no GUI). The session
// threads call UpdateForSession and IsViewingAllowed. The tray lock is never
// held while waiting for the person or while calling the presenter.
//
// While nothing can show the tray (the login screen, a text console, no
// logind) a question cannot be asked and counts as "No"; so does a question
// that is not answered in time, one whose helper goes away, and one that is
// open when the agent stops or the viewer's session closes.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "agent/service/service_parts.h"
#include "agent/session/session_parts.h"
#include "agent/tray/tray_presenter.h"
#include "agent/tray/tray_state.h"
#include "log/orklog.h"

class cVkTrayManager final : public vk::iVkSessionTray,
                             public vk::agent::iVkServiceManager,
                             public cVkTrayHelperEvents {
 public:
  // `viewers`: who is connected (the session manager); `notificationMode`:
  // the settings' notificationMode, as stored (the tray sanitises it);
  // `presenter` builds what shows the tray.
  cVkTrayManager(const vk::iVkViewerQuery& viewers, std::function<uint32_t()> notificationMode,
                 const cVkTrayPresenterFactory& presenter);
  ~cVkTrayManager() override;
  cVkTrayManager(const cVkTrayManager&) = delete;
  cVkTrayManager& operator=(const cVkTrayManager&) = delete;

  // Starts the presenter; a presenter that cannot start leaves the tray
  // without a place to show (logged), which is not a failure of the agent.
  int32_t Initialize(cOrkLog& log);
  // Stops the presenter; an open question counts as "No".
  int32_t Uninitialize(cOrkLog& log);
  // As the service starts and stops it.
  int32_t Start(cOrkLog& log) override { return Initialize(log); }
  int32_t Stop(cOrkLog& log) override { return Uninitialize(log); }

  // Re-evaluates icon and texts for the current viewer; in question mode
  // asks the local person and waits for the answer (at most the question
  // time-out).
  void UpdateForSession() override;
  // True while viewing is allowed (icon state allowed or no icon).
  bool IsViewingAllowed() override;
  // Answers an open question "No" (the viewer's session has closed).
  void CancelQuestion() override;

  // The menu command "Allow"/"Disallow".
  void ToggleAllowed() override;

  // What the presenter reports.
  void AnswerQuestion(uint64_t id, bool yes) override;
  void QuestionShown(uint64_t id) override;
  void HelperChanged(bool running) override;

  cVkTrayState State();
  // True while the presenter has a place to show the tray.
  bool Showing();
  bool WaitForShowing(std::chrono::milliseconds timeout);
  // Waits until a question is on the display.
  bool WaitForQuestionShown(std::chrono::milliseconds timeout);
  void SetQuestionTimeout(std::chrono::milliseconds timeout) { questionTimeout_ = timeout; }

 private:
  struct Question {
    uint64_t id = 0;
    bool open = false;
    bool shown = false;
    bool answered = false;
    bool yes = false;
    bool cancelled = false;
  };
  // A copy of the state for the presenter, numbered so that an older copy
  // never replaces a newer one.
  struct Publication {
    uint64_t number = 0;
    cVkTrayState state;
  };

  bool AskQuestion(std::unique_lock<std::mutex>& hold);
  Publication SetIcon(uint32_t state);
  Publication Snapshot(bool withBalloon);
  void Deliver(const Publication& publication);
  void SetTexts(std::u16string tip, std::u16string title, std::u16string text, uint32_t icon);

  uint32_t NotificationMode() const;

  const vk::iVkViewerQuery& viewers_;
  std::function<uint32_t()> notificationMode_;
  std::chrono::milliseconds questionTimeout_{60000};

  std::mutex lock_;  // guards the state below; never held while waiting
  std::condition_variable changed_;
  cVkTrayState state_;
  bool started_ = false;
  bool stopping_ = false;
  bool showing_ = false;
  uint64_t questionId_ = 0;
  Question question_;
  uint64_t publications_ = 0;

  std::mutex deliverLock_;  // orders the presenter's Show calls
  uint64_t delivered_ = 0;
  std::unique_ptr<iVkTrayPresenter> presenter_;
};
