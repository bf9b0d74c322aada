// Controls arrive as signals and reach the registered handler.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/core/error_codes.h"
#include "platform/service/dispatcher.h"
#include "platform/service/service_status.h"

namespace {

using namespace vk::service;

struct Controls {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<uint32_t> seen;

  void Add(uint32_t control) {
    std::lock_guard lock(mutex);
    seen.push_back(control);
    changed.notify_all();
  }
  bool WaitForCount(size_t count) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(30), [&] { return seen.size() >= count; });
  }
};

TEST(Dispatcher, SignalsBecomeControlsAndEarlyOnesAreKeptForTheHandler) {
  Controls controls;
  int32_t wrongName = 0, registered = -1, second = 0;
  bool sawAll = false;
  int32_t result = RunServiceDispatcher(u"ViewKeeper", [&] {
    // A control before any handler exists is delivered once one is registered.
    kill(getpid(), SIGHUP);
    wrongName = RegisterControlHandler(u"Other", [](uint32_t) {});
    registered = RegisterControlHandler(u"ViewKeeper", [&](uint32_t c) { controls.Add(c); });
    kill(getpid(), SIGINT);
    if (!controls.WaitForCount(2)) return;
    kill(getpid(), SIGTERM);
    sawAll = controls.WaitForCount(3);
    second = RunServiceDispatcher(u"ViewKeeper", [] {});
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(wrongName, ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
  EXPECT_EQ(registered, 0);
  EXPECT_EQ(second, ERROR_SERVICE_ALREADY_RUNNING);
  ASSERT_TRUE(sawAll);
  EXPECT_EQ(controls.seen,
            (std::vector<uint32_t>{SERVICE_CONTROL_INTERROGATE, SERVICE_CONTROL_STOP, SERVICE_CONTROL_STOP}));
}

TEST(Dispatcher, HandlerCannotBeRegisteredWithoutADispatcher) {
  EXPECT_EQ(RegisterControlHandler(u"ViewKeeper", [](uint32_t) {}), ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
}

}  // namespace
