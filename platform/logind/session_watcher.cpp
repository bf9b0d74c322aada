#include "platform/logind/session_watcher.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <cerrno>

#include "platform/core/error_codes.h"

namespace vk::logind {
namespace {

// Waiting for a lost bus to come back (logind or the bus restarted).
constexpr int kReconnectMs = 5000;

int MarkChanged(sd_bus_message*, void* userdata, sd_bus_error*) {
  *static_cast<bool*>(userdata) = true;
  return 0;
}

// Every signal that can change what seat0 shows. The sender is not
// matched (a well-known name cannot be matched locally): a stray signal
// only makes the watcher ask logind again.
int32_t Subscribe(sd_bus* bus, bool* changed) {
  int r =
      sd_bus_match_signal(bus, nullptr, nullptr, kManagerPath, kManagerInterface, "SessionNew", MarkChanged, changed);
  if (r >= 0)
    r = sd_bus_match_signal(bus, nullptr, nullptr, kManagerPath, kManagerInterface, "SessionRemoved", MarkChanged,
                            changed);
  if (r >= 0)
    r = sd_bus_add_match(bus, nullptr,
                         "type='signal',interface='org.freedesktop.DBus.Properties',member='PropertiesChanged',"
                         "path_namespace='/org/freedesktop/login1'",
                         MarkChanged, changed);
  return CodeOfBusResult(r);
}

}  // namespace

SessionWatcher::SessionWatcher(std::string busAddress, Listener listener)
    : busAddress_(std::move(busAddress)), listener_(std::move(listener)) {}

int32_t SessionWatcher::Start(const std::string& busAddress, Listener listener,
                              std::unique_ptr<SessionWatcher>* watcher) {
  std::unique_ptr<SessionWatcher> started(new SessionWatcher(busAddress, std::move(listener)));
  started->stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (started->stopFd_ < 0) return Win32FromErrno(errno);
  if (int32_t code = started->Connect(); code != 0) return code;
  started->Refresh();
  // The thread takes no process signal (a daemon waits for SIGTERM on a
  // thread of its own, which may be set up after this one starts).
  sigset_t all, previous;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &previous);
  started->thread_ = std::thread([w = started.get()] { w->Run(); });
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  *watcher = std::move(started);
  return 0;
}

SessionWatcher::~SessionWatcher() {
  if (thread_.joinable()) {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(stopFd_, &one, sizeof one);
    thread_.join();
  }
  bus_.reset();
  if (stopFd_ >= 0) close(stopFd_);
}

LoginSession SessionWatcher::Current() const {
  std::lock_guard hold(lock_);
  return current_;
}

int32_t SessionWatcher::Connect() {
  bus_.reset();
  BusPtr bus;
  if (int32_t code = OpenBus(busAddress_, &bus); code != 0) return code;
  if (int32_t code = Subscribe(bus.get(), &changed_); code != 0) return code;
  bus_ = std::move(bus);
  return 0;
}

void SessionWatcher::Report(const LoginSession& session) {
  {
    std::lock_guard hold(lock_);
    if (session == current_) return;
    current_ = session;
  }
  listener_(session);
}

void SessionWatcher::Refresh() {
  changed_ = false;
  LoginSession session;
  // A session that went away between the signal and the question leaves the
  // seat empty for this round; the seat's own change follows.
  if (ReadActiveSession(bus_.get(), &session) != 0) session = LoginSession{};
  Report(session);
}

// Waits for bus traffic or the stop; false when stopped.
bool SessionWatcher::WaitForBus() {
  int events = sd_bus_get_events(bus_.get());
  pollfd fds[2] = {{stopFd_, POLLIN, 0}, {sd_bus_get_fd(bus_.get()), static_cast<short>(events < 0 ? 0 : events), 0}};
  // sd-bus may have a deadline of its own (an absolute monotonic time).
  uint64_t until = UINT64_MAX;
  int timeout = -1;
  if (sd_bus_get_timeout(bus_.get(), &until) >= 0 && until != UINT64_MAX) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t nowUsec = static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
    timeout = until <= nowUsec ? 0 : static_cast<int>(std::min<uint64_t>((until - nowUsec) / 1000u + 1, 60000u));
  }
  while (poll(fds, 2, timeout) < 0 && errno == EINTR) {
  }
  return (fds[0].revents & POLLIN) == 0;
}

void SessionWatcher::Run() {
  for (;;) {
    if (!bus_) {
      pollfd stop{stopFd_, POLLIN, 0};
      if (poll(&stop, 1, kReconnectMs) > 0) return;
      if (Connect() == 0) Refresh();
      continue;
    }
    int r = 0;
    while ((r = sd_bus_process(bus_.get(), nullptr)) > 0) {
    }
    if (r < 0) {
      // The bus went away: nothing can be told about the seat until it
      // comes back.
      bus_.reset();
      Report(LoginSession{});
      continue;
    }
    if (changed_) Refresh();
    if (!WaitForBus()) return;
  }
}

}  // namespace vk::logind
