#include "platform/service/dispatcher.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "platform/core/error_codes.h"
#include "platform/service/service_status.h"

namespace vk::service {
namespace {

// State of the one dispatcher of the process.
struct Dispatcher {
  std::mutex mutex;
  bool running = false;
  std::u16string name;
  ControlHandler handler;
  std::deque<uint32_t> early;  // controls that arrived before the handler
};

Dispatcher& TheDispatcher() {
  static Dispatcher d;
  return d;
}

uint32_t ControlOfSignal(uint32_t signal) {
  return signal == SIGHUP ? SERVICE_CONTROL_INTERROGATE : SERVICE_CONTROL_STOP;
}

void Deliver(uint32_t control) {
  Dispatcher& d = TheDispatcher();
  ControlHandler handler;
  {
    std::lock_guard lock(d.mutex);
    if (!d.handler) {
      d.early.push_back(control);
      return;
    }
    handler = d.handler;
  }
  handler(control);
}

// Reads and delivers pending signals; false when the descriptor failed.
bool DrainSignals(int signalFd) {
  signalfd_siginfo info;
  for (;;) {
    ssize_t n = read(signalFd, &info, sizeof info);
    if (n == sizeof info) {
      Deliver(ControlOfSignal(info.ssi_signo));
      continue;
    }
    return n < 0 && (errno == EAGAIN || errno == EINTR);
  }
}

void WaitForControls(int signalFd, int doneFd) {
  pollfd fds[2] = {{signalFd, POLLIN, 0}, {doneFd, POLLIN, 0}};
  for (;;) {
    int n = poll(fds, 2, -1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return;
    if (fds[0].revents & POLLIN) DrainSignals(signalFd);
    if (fds[1].revents & POLLIN) return;
  }
}

}  // namespace

int32_t RunServiceDispatcher(std::u16string_view serviceName, std::function<void()> serviceMain) {
  Dispatcher& d = TheDispatcher();
  {
    std::lock_guard lock(d.mutex);
    if (d.running) return ERROR_SERVICE_ALREADY_RUNNING;
    d.running = true;
    d.name = serviceName;
    d.handler = nullptr;
    d.early.clear();
  }
  sigset_t controls;
  sigemptyset(&controls);
  sigaddset(&controls, SIGTERM);
  sigaddset(&controls, SIGINT);
  sigaddset(&controls, SIGHUP);
  // An ignored signal would be discarded even while blocked (nohup ignores SIGHUP).
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, SIG_DFL);
  sigset_t previous;
  pthread_sigmask(SIG_BLOCK, &controls, &previous);  // threads started below inherit it
  int signalFd = signalfd(-1, &controls, SFD_NONBLOCK | SFD_CLOEXEC);
  int doneFd = eventfd(0, EFD_CLOEXEC);
  int32_t result = 0;
  if (signalFd < 0 || doneFd < 0) {
    result = vk::Win32FromErrno(errno);
  } else {
    std::thread mainThread([&] {
      serviceMain();
      uint64_t one = 1;
      (void)!write(doneFd, &one, sizeof one);
    });
    WaitForControls(signalFd, doneFd);
    mainThread.join();
  }
  if (signalFd >= 0) close(signalFd);
  if (doneFd >= 0) close(doneFd);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  std::lock_guard lock(d.mutex);
  d.running = false;
  d.handler = nullptr;
  d.early.clear();
  return result;
}

int32_t RegisterControlHandler(std::u16string_view serviceName, ControlHandler handler) {
  Dispatcher& d = TheDispatcher();
  std::deque<uint32_t> early;
  {
    std::lock_guard lock(d.mutex);
    if (!d.running || serviceName != d.name || !handler) return ERROR_FAILED_SERVICE_CONTROLLER_CONNECT;
    d.handler = handler;
    early.swap(d.early);
  }
  for (uint32_t control : early) handler(control);
  return 0;
}

}  // namespace vk::service
