#include "platform/accounts/host_info.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "platform/core/error_codes.h"

namespace vk {
namespace {

std::string TempFile(const std::string& content) {
  char name[] = "/tmp/vkhostXXXXXX";
  int fd = mkstemp(name);
  close(fd);
  std::ofstream(name) << content;
  return name;
}

TEST(HostInfo, VersionRecordFromKernelAndDistribution) {
  std::string osRelease = TempFile("NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
  OsVersionInfo info;
  EXPECT_EQ(QueryOsVersion(&info, osRelease.c_str()), ERROR_INSUFFICIENT_BUFFER);
  info.osVersionInfoSize = 276;
  ASSERT_EQ(QueryOsVersion(&info, osRelease.c_str()), 0);
  EXPECT_GE(info.majorVersion, 3u);
  EXPECT_EQ(info.platformId, VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(std::u16string(info.csdVersion), u"Debian GNU/Linux 12 (bookworm)");
  unlink(osRelease.c_str());
}

TEST(HostInfo, WorkgroupFromTheSambaConfiguration) {
  std::string conf = TempFile("[homes]\nworkgroup = NOTTHIS\n[ Global ]\n  # comment\n  WorkGroup =  corp \n");
  EXPECT_EQ(ReadWorkgroup(conf.c_str()), u"CORP");
  unlink(conf.c_str());
  EXPECT_EQ(ReadWorkgroup("/nonexistent/smb.conf"), u"WORKGROUP");
}

}  // namespace
}  // namespace vk
