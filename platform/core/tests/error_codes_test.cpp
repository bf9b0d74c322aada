#include "platform/core/error_codes.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>

namespace vk {
namespace {

TEST(ErrorCodes, ErrnoMapsToTheWin32CodesCallersTest) {
  EXPECT_EQ(Win32FromErrno(ENOENT), 2);
  EXPECT_EQ(Win32FromErrno(EACCES), 5);
  EXPECT_EQ(Win32FromErrno(EPERM), 5);
  EXPECT_EQ(Win32FromErrno(EEXIST), 183);
  EXPECT_NE(Win32FromErrno(ENOTBLK), 0);  // unknown values never look like success
  EXPECT_EQ(Win32FromErrno(ETXTBSY), 32);
  EXPECT_EQ(Win32FromErrno(EXDEV), 17);
  EXPECT_EQ(Win32FromErrno(EDEADLK), 1131);
  EXPECT_EQ(Win32FromErrno(ESRCH), 6);
  EXPECT_EQ(WinsockFromErrno(ECONNREFUSED), 10061);
  EXPECT_EQ(WinsockFromErrno(ETIMEDOUT), 10060);
  EXPECT_EQ(WinsockFromErrno(EADDRINUSE), 10048);
  EXPECT_EQ(WinsockFromResolver(EAI_NONAME, 0), 11001);
}

TEST(ErrorCodes, TextsComeFromTheirOwnTables) {
  EXPECT_EQ(SystemErrorText(5), u"Access is denied.");
  EXPECT_EQ(NetworkErrorText(2102), u"The workstation driver is not installed.");
  EXPECT_TRUE(SystemErrorText(2102).empty());
  EXPECT_TRUE(NetworkErrorText(5).empty());
  EXPECT_TRUE(SystemErrorText(123456).empty());
  EXPECT_FALSE(SystemErrorText(10061).empty());
}

}  // namespace
}  // namespace vk
