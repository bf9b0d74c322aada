// Where the tray manager's icon, balloons and question are shown: the tray
// helper in the user's session (cVkSessionTrayHost), or widgets of the
// calling process. What the person does there comes back through
// cVkTrayHelperEvents, on the presenter's own threads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "agent/session/session_parts.h"
#include "agent/tray/tray_state.h"

class cOrkLog;

class cVkTrayHelperEvents {
 public:
  virtual ~cVkTrayHelperEvents() = default;
  virtual void AnswerQuestion(uint64_t id, bool yes) = 0;
  virtual void QuestionShown(uint64_t id) = 0;
  virtual void ToggleAllowed() = 0;
  // A place to show the tray appeared (true: publish the state to it) or
  // went away (false: an open question counts as "No").
  virtual void HelperChanged(bool running) = 0;
};

class iVkTrayPresenter {
 public:
  virtual ~iVkTrayPresenter() = default;
  // 0 or an error code (logged); the tray then has nowhere to show.
  virtual int32_t Start(cOrkLog& log) = 0;
  // No event is reported once Stop returns.
  virtual void Stop() = 0;
  // Dropped while there is no place to show them.
  virtual void Show(const cVkTrayState& state, const cVkViewerInfo& viewer) = 0;
  virtual void Ask(uint64_t id) = 0;
  virtual void CloseQuestion(uint64_t id) = 0;
};

// Builds the presenter that reports to `events` (the tray manager).
using cVkTrayPresenterFactory = std::function<std::unique_ptr<iVkTrayPresenter>(cVkTrayHelperEvents& events)>;
