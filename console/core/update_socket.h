// cVkUpdateSocket: the update connection of one viewer. Its own thread
// connects to the agent's session port, sends the authentication block and
// then receives the agent's messages into the viewer's screen copy, posting
// what happened to the viewer window, until the connection ends.
//
// The thread shares its state (socket, log, screen copy, the window's port)
// by reference count, so a thread that does not stop in time is let go and
// never touches freed memory. Stopping shuts the socket down, which wakes a
// thread blocked in connect or receive.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "common/screen/screen_buffer.h"
#include "console/core/connection_info.h"
#include "console/core/progress_sink.h"
#include "console/core/viewer_messages.h"
#include "platform/core/worker_thread.h"

class cOrkLog;

class cVkUpdateSocket {
 public:
  cVkUpdateSocket(std::shared_ptr<cVkScreenBuffer> screen, std::shared_ptr<cVkViewerPort> port);
  ~cVkUpdateSocket();
  cVkUpdateSocket(const cVkUpdateSocket&) = delete;
  cVkUpdateSocket& operator=(const cVkUpdateSocket&) = delete;

  // Starts the receiving thread for `record` (nothing when one exists).
  int32_t StartConnection(cOrkLog& log, const cVkConnectionInfo& record, iVkProgressSink* progress);
  // Closes the socket and stops the thread.
  int32_t CloseConnection(cOrkLog& log);
  // After UM_CONNECTION_FAILED: closes, then hands the thread's log (into
  // `log`) and the code that ended the session out and clears both.
  int32_t FinishAfterError(cOrkLog& log, int32_t* errorCode);
  // True while the receiving thread runs.
  bool IsRunning() const;

 private:
  struct Session;
  std::shared_ptr<Session> session_;
  std::shared_ptr<cVkScreenBuffer> screen_;
  std::shared_ptr<cVkViewerPort> port_;
  vk::WorkerThread thread_;
};
