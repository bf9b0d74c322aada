// Reading the cookie of one display from an authority file.
#include <gtest/gtest.h>

#include "platform/core/error_codes.h"
#include "platform/x11/testing/x_authority_file.h"
#include "platform/x11/x_authority.h"

namespace {

using vk::x11::ParseXCookie;
using vk::x11::XCookie;
using vk::x11::testing::AuthorityEntry;

constexpr const char* kMit = "MIT-MAGIC-COOKIE-1";

TEST(XAuthorityTest, PicksTheEntryOfTheDisplay) {
  // xauth's layout, byte for byte: family 0x0100 (local), "host", "3", name, data.
  const std::string golden = std::string(
                                 "\x01\x00\x00\x04host\x00\x01"
                                 "3\x00\x12",
                                 13) +
                             kMit + std::string("\x00\x02\xab\xcd", 4);
  ASSERT_EQ(golden, AuthorityEntry(256, "host", "3", kMit, "\xab\xcd"));

  const std::string file = AuthorityEntry(256, "host", "2", kMit, "two") +
                           AuthorityEntry(256, "host", "3", "XDM-AUTHORIZATION-1", "xdm") + golden +
                           AuthorityEntry(65535, "", "", kMit, "wild");
  XCookie cookie;
  ASSERT_EQ(ParseXCookie(file, 3, &cookie), 0);
  EXPECT_EQ(cookie.name, kMit);
  EXPECT_EQ(cookie.data, "\xab\xcd");
  ASSERT_EQ(ParseXCookie(file, 2, &cookie), 0);
  EXPECT_EQ(cookie.data, "two");
  // No entry of its own: the wildcard entry serves.
  ASSERT_EQ(ParseXCookie(file, 9, &cookie), 0);
  EXPECT_EQ(cookie.data, "wild");
}

TEST(XAuthorityTest, RemoteFamiliesAndMissingCookiesFindNothing) {
  // Family 0 is an Internet address: not used for a local display.
  const std::string file = AuthorityEntry(0, "\x7f\x00\x00\x01", "0", kMit, "net");
  XCookie cookie;
  EXPECT_EQ(ParseXCookie(file, 0, &cookie), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ParseXCookie("", 0, &cookie), ERROR_FILE_NOT_FOUND);
}

TEST(XAuthorityTest, DamagedFilesAreRefused) {
  const std::string entry = AuthorityEntry(256, "host", "0", kMit, "0123456789abcdef");
  XCookie cookie;
  // Every cut inside the entry leaves a counted field running past the end.
  for (size_t cut = 1; cut < entry.size(); ++cut)
    EXPECT_EQ(ParseXCookie(entry.substr(0, cut), 0, &cookie), ERROR_INVALID_DATA) << cut;
  // A count far larger than the file.
  EXPECT_EQ(ParseXCookie(std::string("\x01\x00\xff\xff", 4), 0, &cookie), ERROR_INVALID_DATA);
  EXPECT_EQ(vk::x11::ReadXCookie("/nonexistent/vk-no-file", 0, &cookie), ERROR_FILE_NOT_FOUND);
}

}  // namespace
