// What the input handler asks of the rest of the agent: the session it
// serves, the settings and the agent's log file.
#pragma once

#include <cstdint>

#include "common/settings/settings_parts.h"
#include "log/orklog.h"

// What the handler reads from the agent's settings at each start.
struct cVkInputSettings {
  uint32_t inputFlags = INPUT_ALLOW_KEYBOARD | INPUT_ALLOW_CTRL_ALT_DEL | INPUT_ALLOW_MOUSE;
  uint32_t inputMode = CONNECTION_NORMAL;
  uint16_t inputPort = 48386;
};

class cVkInputSessionLink {
 public:
  virtual ~cVkInputSessionLink() = default;
  // Takes on the identity of the session's viewer for the calling thread
  // (the session manager's ImpersonateViewer) and answers the access rights
  // the viewer was granted; 0 or the failure's code.
  virtual int32_t ImpersonateViewer(cOrkLog& log, uint32_t* grantedMask) = 0;
  // Marks the whole screen for capture, so that the next update carries it
  // all (the screen manager's AddFullScreen).
  virtual void AddFullScreen() = 0;
  // A copy of the input part and the input channel of the agent's settings.
  virtual cVkInputSettings GetInputSettings() = 0;
  // Appends the log's lines to the agent's log file and clears the log.
  virtual void AppendLogToFile(cOrkLog& log) = 0;
};
