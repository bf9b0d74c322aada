// What the input handler asks of the session it serves.
#pragma once

#include <cstdint>

#include "log/orklog.h"

class cVkInputSessionLink {
 public:
  virtual ~cVkInputSessionLink() = default;
  // Takes on the identity of the session's viewer for the calling thread
  // (the session manager's ImpersonateViewer); 0 or the failure's code.
  virtual int32_t ImpersonateViewer(cOrkLog& log) = 0;
  // Marks the whole screen for capture, so that the next update carries it
  // all (the screen manager's AddFullScreen).
  virtual void AddFullScreen() = 0;
};
