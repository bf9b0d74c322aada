// Stopping worker threads: ended, absent, and one that does not end.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "agent/worker/stop_worker_thread.h"
#include "common/testing/log_lines.h"

namespace {

using namespace std::chrono_literals;

TEST(StopWorkerThread, ThreadThatEndsOnItsStopEventIsStoppedSilently) {
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  vk::WorkerThread worker;
  ASSERT_EQ(worker.Start([](vk::ManualResetEvent& stop) -> int32_t {
    stop.Wait();
    return 0;
  }),
            0);
  EXPECT_EQ(StopWorkerThread(log, worker), 0);
  EXPECT_FALSE(worker.Running());
  EXPECT_EQ(StopWorkerThread(log, worker), 0);  // nothing left to stop
  EXPECT_TRUE(vk::testing::LogLines(log).empty());
}

TEST(StopWorkerThread, ThreadThatDoesNotEndIsGivenUpWithTimeOutMessages) {
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  // The thread ignores its stop event until the test lets it go.
  auto release = std::make_shared<vk::ManualResetEvent>();
  vk::WorkerThread worker;
  ASSERT_EQ(worker.Start([release](vk::ManualResetEvent&) -> int32_t {
    release->Wait();
    return 0;
  }),
            0);
  vk::ThreadStopPolicy quick{std::chrono::milliseconds(1), 61};
  EXPECT_EQ(StopWorkerThread(log, worker, quick), -1);
  EXPECT_FALSE(worker.Running());  // let go, not killed
  auto lines = vk::testing::LogLines(log);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].type, LOG_ERROR);
  EXPECT_EQ(lines[0].code, -1);
  EXPECT_EQ(lines[0].text, "An error has occurred while stopping a thread. Errorcode -1.");
  EXPECT_EQ(lines[1].type, LOG_WARNING);
  EXPECT_EQ(lines[1].text, "Operation timed out.");
  // The thread still runs and can use what it holds; let it finish.
  release->Set();
}

}  // namespace
