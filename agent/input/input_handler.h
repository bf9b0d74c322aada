// cVkInputHandler: replays the viewer's keyboard and mouse on the agent's
// desktop during a viewing session.
//
// The session starts it after the viewer has been admitted and stops it at
// the session's end. While it runs, a thread of its own listens on the UDP
// input port, takes only 12-byte datagrams from the session's console
// address and replays them within the input permissions of the settings and
// the rights the viewer was granted.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "agent/input/input_session_link.h"
#include "agent/input/local_input_blocker.h"
#include "log/orklog.h"
#include "platform/power/power_control.h"
#include "platform/xtest/input_injector.h"

namespace vk {
class DatagramChannel;
}

// Input permission bits of the settings (inputFlags).
inline constexpr uint32_t INPUT_ALLOW_KEYBOARD = 1;
inline constexpr uint32_t INPUT_ALLOW_CTRL_ALT_DEL = 2;
inline constexpr uint32_t INPUT_DISABLE_LOCAL_KEYBOARD = 4;
inline constexpr uint32_t INPUT_ALLOW_MOUSE = 8;
inline constexpr uint32_t INPUT_DISABLE_LOCAL_MOUSE = 16;
inline constexpr uint32_t INPUT_FLAGS_DEFAULT = 11;

// Channel modes of the connection settings.
inline constexpr uint32_t CHANNEL_MODE_DISABLED = 1;
inline constexpr uint32_t CHANNEL_MODE_NORMAL = 2;
inline constexpr uint32_t CHANNEL_MODE_SECURE = 3;

// The access right that lets a viewer control the desktop, as the access
// check grants it.
inline constexpr uint32_t SESSION_RIGHT_CHANGE = 2;

// What the handler reads from the agent's settings at each start.
struct cVkInputSettings {
  uint32_t inputFlags = INPUT_FLAGS_DEFAULT;
  uint32_t inputMode = CHANNEL_MODE_NORMAL;
  uint16_t inputPort = 48386;
};

class cVkInputHandler {
 public:
  // The handler keeps references to the session link, the power control and
  // the blocker; it owns the injector.
  cVkInputHandler(cVkInputSessionLink& session, vk::PowerControl& power,
                  std::unique_ptr<vk::InputInjector> injector, cVkLocalInputBlocker& blocker);
  ~cVkInputHandler();
  cVkInputHandler(const cVkInputHandler&) = delete;
  cVkInputHandler& operator=(const cVkInputHandler&) = delete;

  // viewerAddress: the console's IPv4 address in network order.
  // grantedMask: the access mask the viewer's credentials were granted; only a
  // mask with SESSION_RIGHT_CHANGE may control the desktop.
  int32_t Start(cOrkLog& log, uint32_t viewerAddress, uint32_t grantedMask, const cVkInputSettings& settings);
  int32_t Stop(cOrkLog& log);

  // Replays one datagram; 0, the last failure's code, or -1 when a failure
  // was logged but the last step succeeded.
  int32_t Replay(cOrkLog& log, uint32_t code, uint32_t param1, uint32_t param2);

  // The UDP port the running input thread listens on (0 when none). Useful
  // when the settings name port 0.
  uint16_t ListeningPort() const { return listeningPort_.load(); }
  // Datagrams replayed and dropped since Start (for monitoring and tests).
  uint64_t ReplayedCount() const { return replayed_.load(); }
  uint64_t DroppedCount() const { return dropped_.load(); }
  // True once the input thread has finished opening its socket (or given up).
  bool WaitUntilListening(int timeoutMs) const;

 private:
  void InputThread();
  int32_t ReceiveLoop(cOrkLog& log, vk::DatagramChannel& channel);
  int32_t ReplayMouse(cOrkLog& log, uint32_t code, uint32_t param1, uint32_t param2);
  int32_t ReplayKeyboard(cOrkLog& log, uint32_t code, uint32_t param1, uint32_t param2);
  int32_t ReplayKey(cOrkLog& log, uint8_t vk, bool extended, bool release);
  int32_t ReplayKeyCombination(cOrkLog& log, std::initializer_list<uint8_t> keys);
  int32_t EndLocalSession(cOrkLog& log, uint32_t option);
  void ApplyLocalBlocking(bool block);

  cVkInputSessionLink& session_;
  vk::PowerControl& power_;
  std::unique_ptr<vk::InputInjector> injector_;
  cVkLocalInputBlocker& blocker_;

  // Written by Start before the thread runs, read by the thread.
  uint32_t viewerAddress_ = 0;
  uint32_t grantedMask_ = 0;
  cVkInputSettings settings_;

  std::thread thread_;
  std::unique_ptr<vk::DatagramChannel> channel_;
  mutable std::mutex stateLock_;
  mutable std::condition_variable stateChanged_;
  bool listeningDone_ = false;
  bool localBlocked_ = false;
  std::atomic<uint16_t> listeningPort_{0};
  std::atomic<uint64_t> replayed_{0};
  std::atomic<uint64_t> dropped_{0};
};
