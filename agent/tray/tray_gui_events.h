// What the tray's widgets report, and the viewer they show: the agent's
// tray manager in-process, or the helper's link to the agent.
#pragma once

#include <cstdint>

#include "agent/session/session_parts.h"
#include "agent/tray/tray_state.h"

class cVkTrayGuiEvents {
 public:
  virtual ~cVkTrayGuiEvents() = default;
  virtual void AnswerQuestion(uint64_t id, bool yes) = 0;
  virtual void QuestionShown(uint64_t id) = 0;
  // The menu's "Allow"/"Disallow".
  virtual void ToggleAllowed() = 0;
  // The refresh timer: show the last state again.
  virtual void RefreshIcon() = 0;
  virtual cVkViewerInfo ViewerInfo() = 0;
};
