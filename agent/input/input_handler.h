// cVkInputHandler: replays the viewer's keyboard and mouse on the agent's
// desktop during a viewing session.
//
// The session starts it after the viewer has been admitted and stops it at
// the session's end. While it runs, a worker thread listens on the UDP input
// port, takes only 12-byte datagrams from the session's console address and
// replays them within the input permissions of the settings and the rights
// the viewer was granted. A viewer granted the change right also has the
// local keyboard and mouse blocked, when the settings ask for it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "agent/input/input_settings.h"
#include "agent/input/local_input_blocker.h"
#include "agent/session/session_parts.h"
#include "log/orklog.h"
#include "platform/core/worker_thread.h"
#include "platform/power/power_control.h"
#include "platform/xtest/input_injector.h"

class cVkSocket;
class iVkLogSink;

inline constexpr uint32_t INPUT_FLAGS_DEFAULT = INPUT_ALLOW_KEYBOARD | INPUT_ALLOW_CTRL_ALT_DEL | INPUT_ALLOW_MOUSE;

// What the handler uses of the rest of the agent; it keeps the references.
struct cVkInputHandlerLinks {
  vk::iVkViewerImpersonation& session;  // the session manager
  vk::iVkScreenRefresh& screen;         // the screen capture's AddFullScreen
  std::function<cVkInputSettings()> settings;
  iVkLogSink* logFile = nullptr;  // none: failures stay in the thread's log
  vk::iVkPowerControl& power;
  iVkLocalInputBlocker& blocker;
};

class cVkInputHandler final : public vk::iVkSessionInput {
 public:
  cVkInputHandler(cVkInputHandlerLinks links, std::unique_ptr<vk::iVkInputInjector> injector);
  ~cVkInputHandler() override;
  cVkInputHandler(const cVkInputHandler&) = delete;
  cVkInputHandler& operator=(const cVkInputHandler&) = delete;

  // viewerAddress: the console's IPv4 address in network order. Takes a
  // fresh copy of the input settings. Only a viewer granted RIGHT_CHANGE
  // controls the desktop; any other viewer may ask for a full refresh and
  // nothing else.
  int32_t Start(cOrkLog& log, uint32_t viewerAddress, uint32_t grantedMask) override;
  int32_t Stop(cOrkLog& log) override;

  // Replays one datagram (input thread); 0, the last failure's code, or -1
  // when a failure was logged but the last step succeeded.
  int32_t Replay(cOrkLog& log, uint32_t code, uint32_t param1, uint32_t param2);

  // The UDP port the running input thread listens on (0 when none); the
  // settings may name port 0 (any free port).
  uint16_t ListeningPort() const { return listeningPort_.load(); }
  // Datagrams taken for replay and datagrams dropped since Start.
  uint64_t ReplayedCount() const { return replayed_.load(); }
  uint64_t DroppedCount() const { return dropped_.load(); }
  // Waits until the input thread listens or has given up; true when it
  // listens.
  bool WaitUntilListening(std::chrono::milliseconds timeout) const;

 private:
  struct Outcome;
  int32_t InputThread(vk::ManualResetEvent& stop);
  bool OpenSocket(cOrkLog& log, cVkSocket& socket);
  bool ReceiveLoop(cOrkLog& log, cVkSocket& socket, vk::ManualResetEvent& stop);
  void ReplayMouse(Outcome& outcome, uint32_t code, uint32_t param1, uint32_t param2);
  void ReplayKeyboard(cOrkLog& log, Outcome& outcome, uint32_t code, uint32_t param1, uint32_t param2);
  void ReplayKey(Outcome& outcome, uint8_t vk, bool extended, bool release);
  void ReplayKeyCombination(Outcome& outcome, std::initializer_list<uint8_t> keys);
  void EndLocalSession(cOrkLog& log, Outcome& outcome, uint32_t option);
  void BlockLocalInput(uint32_t inputFlags);
  void UnblockLocalInput();
  void SetListening(bool listening, uint16_t port);
  void AppendToFile(cOrkLog& log);

  cVkInputHandlerLinks links_;
  std::unique_ptr<vk::iVkInputInjector> injector_;

  // Written by Start and by the thread's start-up, under stateLock_.
  mutable std::mutex stateLock_;
  mutable std::condition_variable stateChanged_;
  uint32_t viewerAddress_ = 0;
  uint32_t grantedMask_ = 0;
  cVkInputSettings settings_;
  bool threadRunning_ = false;
  bool listeningSettled_ = false;
  bool listening_ = false;
  uint32_t blockedFlags_ = 0;

  std::mutex replayLock_;  // one replay at a time on the injector
  vk::WorkerThread thread_;
  std::atomic<uint16_t> listeningPort_{0};
  std::atomic<uint64_t> replayed_{0};
  std::atomic<uint64_t> dropped_{0};
};
