// Status reports as systemd receives them on its notification socket.
#include <gtest/gtest.h>

#include <stdlib.h>

#include "platform/core/error_codes.h"
#include "platform/service/service_status.h"
#include "platform/service/tests/notify_socket.h"

namespace {

using namespace vk::service;

ServiceStatus Status(uint32_t state, uint32_t checkPoint, uint32_t waitHint) {
  ServiceStatus s;
  s.currentState = state;
  s.checkPoint = checkPoint;
  s.waitHint = waitHint;
  return s;
}

TEST(ServiceStatus, EachStateReachesTheNotifySocketAsItsNotification) {
  vk::testing::NotifySocket sink;
  ASSERT_TRUE(sink.Ok());
  setenv("NOTIFY_SOCKET", sink.Path().c_str(), 1);

  EXPECT_EQ(ReportStatus(Status(SERVICE_START_PENDING, 3, 5000)), 0);
  EXPECT_EQ(sink.Next(), "STATUS=Start pending (checkpoint 3, wait hint 5000 ms)\nEXTEND_TIMEOUT_USEC=5000000\n");
  EXPECT_EQ(ReportStatus(Status(SERVICE_RUNNING, 0, 0)), 0);
  EXPECT_EQ(sink.Next(), "READY=1\nSTATUS=Running\n");
  EXPECT_EQ(ReportStatus(Status(SERVICE_STOP_PENDING, 2, 65000)), 0);
  EXPECT_EQ(sink.Next(),
            "STOPPING=1\nSTATUS=Stop pending (checkpoint 2, wait hint 65000 ms)\nEXTEND_TIMEOUT_USEC=65000000\n");
  EXPECT_EQ(ReportStatus(Status(SERVICE_STOPPED, 0, 0)), 0);
  EXPECT_EQ(sink.Next(), "STATUS=Stopped\n");

  ServiceStatus failed = Status(SERVICE_STOPPED, 0, 0);
  failed.win32ExitCode = 1066;
  failed.serviceSpecificExitCode = static_cast<uint32_t>(-1);
  EXPECT_EQ(NotifyText(failed), "STATUS=Stopped (exit code 1066, service code -1)\n");
  unsetenv("NOTIFY_SOCKET");
}

TEST(ServiceStatus, WithoutNotifySocketNothingIsSentAndReportsStillSucceed) {
  unsetenv("NOTIFY_SOCKET");
  EXPECT_EQ(SendNotification("READY=1\n"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ReportStatus(Status(SERVICE_RUNNING, 0, 0)), 0);  // goes to standard error
  setenv("NOTIFY_SOCKET", "relative/path", 1);
  EXPECT_EQ(SendNotification("READY=1\n"), ERROR_FILE_NOT_FOUND);
  setenv("NOTIFY_SOCKET", "/nonexistent-folder/notify", 1);
  EXPECT_EQ(SendNotification("READY=1\n"), ERROR_FILE_NOT_FOUND);
  unsetenv("NOTIFY_SOCKET");
}

}  // namespace
