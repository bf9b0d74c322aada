#include "common/protocol/auth_block.h"
#include "agent/session/session_parts.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/core/testing/allocation_meter.h"

namespace vk {
namespace {

std::span<const uint8_t> Payload(const std::vector<uint8_t>& block) {
  return std::span<const uint8_t>(block).subspan(4);
}

TEST(AuthBlock, BuildsTheConsoleLayoutByteForByte) {
  const std::vector<uint8_t> expected = {
      0x1A, 0, 0, 0,                        // T = 16 + 6 + 0 + 4
      0x06, 0, 0, 0, 'a', 0, 'b', 0, 0, 0,  // "ab" and its zero
      0x00, 0, 0, 0,                        // empty domain: no bytes at all
      0x04, 0, 0, 0, 'x', 0, 0,   0,        // "x"
  };
  EXPECT_EQ(BuildAuthBlock(u"ab", u"", u"x"), expected);
  const std::vector<uint8_t> empty = {16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(BuildAuthBlock(u"", u"", u""), empty);
}

TEST(AuthBlock, ParsesWhatTheConsoleBuilds) {
  const auto block = BuildAuthBlock(u"alice", u"WORKGROUP", u"s\u00e9cret");
  cVkAuthCredentials creds;
  ASSERT_EQ(ParseAuthPayload(Payload(block), creds), AuthBlockError::None);
  EXPECT_EQ(creds.user, u"alice");
  EXPECT_EQ(creds.domain, u"WORKGROUP");
  EXPECT_EQ(creds.password, u"s\u00e9cret");
  creds.Wipe();
  EXPECT_TRUE(creds.user.empty() && creds.domain.empty() && creds.password.empty());
}

TEST(AuthBlock, TotalLimitIsFiveThousandBytesAfterTheTotal) {
  EXPECT_TRUE(AuthPayloadSizeAllowed(16));
  EXPECT_TRUE(AuthPayloadSizeAllowed(5004));
  EXPECT_FALSE(AuthPayloadSizeAllowed(5005));
  EXPECT_TRUE(AuthPayloadSizeAllowed(4));   // nothing to parse: refused by the parser
  EXPECT_FALSE(AuthPayloadSizeAllowed(3));  // wraps around
  EXPECT_FALSE(AuthPayloadSizeAllowed(0));
  cVkAuthCredentials creds;
  EXPECT_EQ(ParseAuthPayload({}, creds), AuthBlockError::Truncated);
}

TEST(AuthBlock, RefusesEveryMalformedLayout) {
  const auto good = BuildAuthBlock(u"ab", u"d", u"pw");
  struct Case {
    const char* what;
    std::vector<uint8_t> payload;
    AuthBlockError error;
  };
  auto cut = [&](size_t n) { return std::vector<uint8_t>(good.begin() + 4, good.begin() + 4 + n); };
  std::vector<Case> cases = {
      {"user length past the end", {0x10, 0, 0, 0, 'a', 0, 0, 0}, AuthBlockError::Truncated},
      {"huge user length", {0xFF, 0xFF, 0xFF, 0xFF, 'a', 0, 0, 0}, AuthBlockError::Truncated},
      {"odd user length", {0x03, 0, 0, 0, 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, AuthBlockError::OddLength},
      {"user without terminator", {0x02, 0, 0, 0, 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0}, AuthBlockError::MissingTerminator},
      {"domain length field cut", cut(6 + 4 + 2), AuthBlockError::Truncated},
      {"password cut short", cut(good.size() - 4 - 2), AuthBlockError::Truncated},
      {"no password length", cut(10 + 8), AuthBlockError::Truncated},
  };
  std::vector<uint8_t> trailing(good.begin() + 4, good.end());
  trailing.push_back(0);
  trailing.push_back(0);
  cases.push_back({"bytes after the password", trailing, AuthBlockError::TrailingBytes});
  std::vector<uint8_t> unterminatedPassword(good.begin() + 4, good.end());
  unterminatedPassword[unterminatedPassword.size() - 2] = 'z';
  cases.push_back({"password without terminator", unterminatedPassword, AuthBlockError::MissingTerminator});
  for (const auto& c : cases) {
    cVkAuthCredentials creds;
    creds.user = u"stale";
    EXPECT_EQ(ParseAuthPayload(c.payload, creds), c.error) << c.what;
    EXPECT_TRUE(creds.user.empty() && creds.password.empty()) << c.what;
  }
}

// A grown block would free a buffer that still holds part of the password.
TEST(AuthBlock, BlockIsAllocatedOnceAtItsFinalSize) {
  const std::u16string password(300, u'\u00E9');
  vktest::AllocationCounts counts;
  std::vector<uint8_t> block;
  {
    vktest::AllocationMeter meter;
    block = BuildAuthBlock(u"administrator", u"CORVALLINE", password);
    counts = meter.Counts();
  }
  EXPECT_EQ(block.size(), 4u + 4 + 28 + 4 + 22 + 4 + 602);
  EXPECT_EQ(counts.calls, 1u);
  EXPECT_EQ(counts.peakBytes, block.size());
}

TEST(AuthBlock, TextEndsAtItsFirstZero) {
  const std::vector<uint8_t> payload = {0x08, 0, 0, 0, 'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  cVkAuthCredentials creds;
  ASSERT_EQ(ParseAuthPayload(payload, creds), AuthBlockError::None);
  EXPECT_EQ(creds.user, u"a");
}

TEST(SessionSettings, PortZeroListensOnTheDefaultPort) {
  EXPECT_EQ(UpdatePortAtUse(0), 48384);
  EXPECT_EQ(UpdatePortAtUse(48390), 48390);
}

}  // namespace
}  // namespace vk
