// cVkTrayManager: tells the person at the managed computer that the desktop
// is being viewed, asks for consent in question mode and lets the person
// withdraw it at any time.
//
// The icon, balloons, menu, question box and About window live on the tray's
// own GUI thread (Qt). The session threads call UpdateForSession and
// IsViewingAllowed; they reach the GUI only by queued messages and never wait
// for it while holding the tray lock.
//
// The agent starts without a display: the GUI appears once the display
// accepts connections; until then a question cannot be asked and counts as
// "No".
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <functional>
#include <string>

#include "agent/service/service_parts.h"
#include "agent/session/session_parts.h"
#include "common/settings/settings_parts.h"
#include "log/orklog.h"
#include "platform/core/worker_thread.h"

// iconState values.
inline constexpr uint32_t TRAY_NO_ICON = 1;
inline constexpr uint32_t TRAY_QUESTION = 2;
inline constexpr uint32_t TRAY_DISALLOWED = 3;
inline constexpr uint32_t TRAY_ALLOWED = 4;

// balloonIcon values.
inline constexpr uint32_t BALLOON_INFORMATION = 1;
inline constexpr uint32_t BALLOON_WARNING = 2;
inline constexpr uint32_t BALLOON_ERROR = 3;

// What the icon shows right now (a copy, for the GUI and for tests).
struct cVkTrayState {
  uint32_t iconState = TRAY_NO_ICON;
  uint32_t notificationMode = NOTIFY_QUESTION;
  std::u16string tipText;
  std::u16string balloonTitle;
  std::u16string balloonText;
  uint32_t balloonIcon = BALLOON_INFORMATION;
  bool balloonPending = false;
};

class cVkTrayGuiHost;

class cVkTrayManager final : public vk::iVkSessionTray, public vk::agent::iVkServiceManager {
 public:
  // `viewers`: who is connected (the session manager); `notificationMode`:
  // the settings' notificationMode, as stored (the tray sanitises it).
  // displayName empty: $DISPLAY.
  cVkTrayManager(const vk::iVkViewerQuery& viewers, std::function<uint32_t()> notificationMode,
                 std::string displayName = {});
  ~cVkTrayManager();
  cVkTrayManager(const cVkTrayManager&) = delete;
  cVkTrayManager& operator=(const cVkTrayManager&) = delete;

  // Starts the tray thread; succeeds without a display (the GUI follows once
  // the display is there).
  int32_t Initialize(cOrkLog& log);
  // Ends the tray thread; an open question counts as "No".
  int32_t Uninitialize(cOrkLog& log);
  // As the service starts and stops it.
  int32_t Start(cOrkLog& log) override { return Initialize(log); }
  int32_t Stop(cOrkLog& log) override { return Uninitialize(log); }

  // Re-evaluates icon and texts for the current viewer; in question mode
  // asks the local person and waits for the answer (at most the question
  // time-out; no answer, a stop or CancelQuestion count as "No").
  void UpdateForSession() override;
  // True while viewing is allowed (icon state allowed or no icon).
  bool IsViewingAllowed() override;
  // Answers an open question "No" (the viewer's session has closed, or the
  // agent is stopping).
  void CancelQuestion() override;

  // The menu command "Allow"/"Disallow".
  void ToggleAllowed();

  cVkTrayState State();
  // True while the GUI runs on the display.
  bool IsGuiReady();
  bool WaitForGui(std::chrono::milliseconds timeout);
  // Waits until a question is on the display.
  bool WaitForQuestionShown(std::chrono::milliseconds timeout);
  void SetQuestionTimeout(std::chrono::milliseconds timeout) { questionTimeout_ = timeout; }
  void SetDisplayRetryInterval(std::chrono::milliseconds interval) { displayRetry_ = interval; }

  // For the GUI thread.
  void AnswerQuestion(uint64_t id, bool yes);
  void QuestionShown(uint64_t id);
  void RefreshIcon();
  cVkViewerInfo ViewerInfo();
  // The GUI host while it runs (tests drive its widgets); null otherwise.
  cVkTrayGuiHost* Host();

 private:
  struct Question {
    uint64_t id = 0;
    bool open = false;
    bool shown = false;
    bool answered = false;
    bool yes = false;
    bool cancelled = false;
  };

  int32_t TrayThread();
  bool WaitForDisplay();
  bool AskQuestion(std::unique_lock<std::mutex>& hold);
  void SetIcon(uint32_t state);
  void PublishState(bool withBalloon);
  void SetTexts(std::u16string tip, std::u16string title, std::u16string text, uint32_t icon);

  uint32_t NotificationMode() const;

  const vk::iVkViewerQuery& viewers_;
  std::function<uint32_t()> notificationMode_;
  std::string displayName_;
  std::chrono::milliseconds questionTimeout_{60000};
  std::chrono::milliseconds displayRetry_{2000};

  std::mutex lock_;  // guards everything below; never held while waiting
  std::condition_variable changed_;
  cVkTrayState state_;
  bool stopping_ = false;
  cVkTrayGuiHost* host_ = nullptr;
  uint64_t questionId_ = 0;
  Question question_;
  vk::WorkerThread thread_;
};
