// The end of a process after a worker thread was given up.
#include <gtest/gtest.h>

#include "platform/testing/child_process.h"

namespace {

TEST(ProcessEnd, AfterAGivenUpWorkerTheProcessEndsWithItsStatusAndNothingIsDestroyedUnderTheWorker) {
  vk::testing::ChildProcess child(GIVEN_UP_WORKER_PROGRAM, {}, "");
  ASSERT_TRUE(child.Started());
  // 3: given up and ended cleanly; 86: a static object was destroyed under
  // the running worker; 4: the stop did not give up.
  EXPECT_EQ(child.Wait(), 3);
}

}  // namespace
