// Follows seat0's active session: logind's signals (sessions that come and
// go, property changes of seats and sessions) wake a thread of its own,
// which reads the active session again and reports it when it changed.
// Nothing is polled.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/logind/logind_bus.h"
#include "platform/logind/login_session.h"

namespace vk::logind {

class SessionWatcher {
 public:
  // Called on the watcher's thread with each new active session (the first
  // one included); an empty session while logind cannot be reached.
  using Listener = std::function<void(const LoginSession&)>;

  // Opens the bus (the system bus unless `busAddress` names another), reads
  // the active session, reports it and starts following. 0 or a Win32 code.
  static int32_t Start(const std::string& busAddress, Listener listener, std::unique_ptr<SessionWatcher>* watcher);
  ~SessionWatcher();
  SessionWatcher(const SessionWatcher&) = delete;
  SessionWatcher& operator=(const SessionWatcher&) = delete;

  LoginSession Current() const;

 private:
  SessionWatcher(std::string busAddress, Listener listener);
  int32_t Connect();
  void Run();
  void Refresh();
  bool WaitForBus();
  void Report(const LoginSession& session);

  std::string busAddress_;
  Listener listener_;
  BusPtr bus_;
  int stopFd_ = -1;
  bool changed_ = false;
  mutable std::mutex lock_;
  LoginSession current_;
  std::thread thread_;
};

}  // namespace vk::logind
