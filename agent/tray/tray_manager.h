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
#include <string>
#include <thread>

#include "common/settings/settings_parts.h"
#include "log/orklog.h"

// iconState values.
inline constexpr uint32_t TRAY_NO_ICON = 1;
inline constexpr uint32_t TRAY_QUESTION = 2;
inline constexpr uint32_t TRAY_DISALLOWED = 3;
inline constexpr uint32_t TRAY_ALLOWED = 4;

// balloonIcon values.
inline constexpr uint32_t BALLOON_INFORMATION = 1;
inline constexpr uint32_t BALLOON_WARNING = 2;
inline constexpr uint32_t BALLOON_ERROR = 3;

struct cVkViewerInfo {
  bool connected = false;
  std::u16string viewerName;  // "DOMAIN\user" or the user alone
  uint32_t address = 0;       // console's IPv4 address, network order
};

// What the tray asks of the rest of the agent.
class cVkTrayContext {
 public:
  virtual ~cVkTrayContext() = default;
  // The session manager's GetViewerInfo.
  virtual cVkViewerInfo GetViewerInfo() = 0;
  // notificationMode of the current settings (as stored; the tray sanitises it).
  virtual uint32_t GetNotificationMode() = 0;
};

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

class cVkTrayManager {
 public:
  // displayName empty: $DISPLAY.
  explicit cVkTrayManager(cVkTrayContext& context, std::string displayName = {});
  ~cVkTrayManager();
  cVkTrayManager(const cVkTrayManager&) = delete;
  cVkTrayManager& operator=(const cVkTrayManager&) = delete;

  // Starts the tray thread; succeeds without a display (the GUI follows once
  // the display is there).
  int32_t Initialize(cOrkLog& log);
  // Ends the tray thread; an open question counts as "No".
  int32_t Uninitialize(cOrkLog& log);

  // Re-evaluates icon and texts for the current viewer; in question mode
  // asks the local person and waits for the answer (at most the question
  // time-out; no answer, a stop or CancelQuestion count as "No").
  void UpdateForSession();
  // True while viewing is allowed (icon state allowed or no icon).
  bool IsViewingAllowed();
  // Answers an open question "No" (the viewer's session has closed).
  void CancelQuestion();

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

  void TrayThread();
  bool WaitForDisplay();
  bool AskQuestion(std::unique_lock<std::mutex>& hold);
  void SetIcon(uint32_t state);
  void PublishState(bool withBalloon);
  void SetTexts(std::u16string tip, std::u16string title, std::u16string text, uint32_t icon);

  cVkTrayContext& context_;
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
  std::thread thread_;
};
