// When the session loop runs its cycles: once per period counted from each
// cycle's start, at once after a capture with changes, and never more than
// one update per period.
#include "agent/session/session_pacer.h"

#include <gtest/gtest.h>

#include <future>

namespace vk {
namespace {

using namespace std::chrono_literals;
using Clock = cVkSessionPacer::Clock;

TEST(SessionPacer, CyclesAreCountedFromTheirStartAndPhasedToTheCapture) {
  const Clock::time_point t0 = Clock::now();
  cVkSessionPacer pacer(100ms, t0);
  // Nothing sent yet: changes go out at once.
  EXPECT_LE(pacer.NextCycle(true), t0);
  EXPECT_EQ(pacer.NextCycle(false), t0 + 100ms);

  // A cycle at 100 ms that only looks (no change): the next is due a period
  // after its start, however long its work took ...
  pacer.CycleStarted(t0 + 100ms);
  EXPECT_EQ(pacer.NextCycle(false), t0 + 200ms);
  // ... but a capture with changes at 130 ms is sent at once, not at 200.
  EXPECT_LE(pacer.NextCycle(true), t0 + 130ms);

  // The cycle at 130 ms sends: the next update may leave a period later,
  // at 230 ms, even when the capture has changes at 140 ms.
  pacer.CycleStarted(t0 + 130ms);
  pacer.UpdateSent();
  EXPECT_EQ(pacer.NextCycle(true), t0 + 230ms);
  EXPECT_EQ(pacer.NextCycle(false), t0 + 230ms);

  // A cycle whose work overran its period: the next is already due.
  pacer.CycleStarted(t0 + 230ms);
  EXPECT_LE(pacer.NextCycle(false), t0 + 330ms);
  EXPECT_EQ(pacer.Period(), 100ms);
}

TEST(SessionPacer, AShortPeriodSendsAsOftenAsItSays) {
  const Clock::time_point t0 = Clock::now();
  cVkSessionPacer pacer(20ms, t0);
  // Changes captured every 20 ms go out every 20 ms.
  for (int k = 0; k < 10; ++k) {
    const Clock::time_point capture = t0 + k * 20ms;
    ASSERT_LE(pacer.NextCycle(true), capture) << k;
    pacer.CycleStarted(capture);
    pacer.UpdateSent();
    EXPECT_EQ(pacer.NextCycle(true), capture + 20ms);
  }
  // With nothing waiting the loop only looks every 100 ms, as at the
  // default period: a still screen costs no more at 20 ms.
  const Clock::time_point still = t0 + 400ms;
  pacer.CycleStarted(still);
  EXPECT_EQ(pacer.NextCycle(false), still + 100ms);
  EXPECT_EQ(pacer.NextCycle(true), t0 + 200ms);
}

// The wait ends with captured changes or the session's end, not only on
// the period (here a minute, so only the report can end it).
TEST(SessionWake, ChangesEndTheWaitAndCancelEndsTheLoop) {
  cVkSessionWake wake;
  const Clock::time_point t0 = Clock::now();
  cVkSessionPacer pacer(60s, t0);
  pacer.CycleStarted(t0);
  pacer.UpdateSent();
  // An update left this very period: only the session's end stops the wait.
  auto waiting = std::async(std::launch::async, [&] { return wake.WaitForCycle(pacer); });
  wake.ChangesCaptured();
  wake.Cancel();
  ASSERT_EQ(waiting.wait_for(30s), std::future_status::ready);
  EXPECT_FALSE(waiting.get());

  cVkSessionWake fresh;
  cVkSessionPacer idle(60s, t0);
  idle.CycleStarted(t0);  // looked, sent nothing
  auto woken = std::async(std::launch::async, [&] { return fresh.WaitForCycle(idle); });
  fresh.ChangesCaptured();
  ASSERT_EQ(woken.wait_for(30s), std::future_status::ready) << "a capture with changes starts a cycle";
  EXPECT_TRUE(woken.get());
}

}  // namespace
}  // namespace vk
