// Name resolution and the socket library start/stop.
#include <gtest/gtest.h>

#include "common/socket/socket.h"
#include "common/testing/log_lines.h"

namespace {

TEST(Resolve, LocalhostAndDottedNamesResolveToTheirAddress) {
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  EXPECT_EQ(StartSockets(log), 0);
  uint32_t address = 0;
  EXPECT_EQ(ResolveAddress(log, u"localhost", &address), 0);
  EXPECT_EQ(address, 0x0100007Fu);
  std::u16string text;
  EXPECT_EQ(ResolveAddressText(log, u"127.0.0.5", &text), 0);
  EXPECT_EQ(text, u"127.0.0.5");
  EXPECT_EQ(StopSockets(log), 0);
  EXPECT_TRUE(vk::testing::LogLines(log).empty());
}

TEST(Resolve, UnknownNameLogsTheResolvingTextWithTheCode) {
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  std::u16string text = u"unchanged";
  int32_t code = ResolveAddressText(log, u"no-such-host.invalid", &text);
  EXPECT_NE(code, 0);
  EXPECT_EQ(text, u"unchanged");
  auto lines = vk::testing::LogLines(log);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].code, code);
  EXPECT_EQ(lines[0].text.rfind("Error resolving TCP/IP address for computer no-such-host.invalid. Errorcode " +
                                    std::to_string(code) + ".",
                                0),
            0u);
}

}  // namespace
