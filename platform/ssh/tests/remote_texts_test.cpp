// What systemctl, ldd and the shell tools print, as the remote computer reads it.
#include <gtest/gtest.h>

#include "platform/core/text.h"
#include "platform/ssh/remote_computer.h"
#include "platform/ssh/ssh_errors.h"

namespace vk::remote {
namespace {

TEST(RemoteTexts, SystemctlShowGivesStateDisplayNameAndProgram) {
  const std::string show =
      "LoadState=loaded\nActiveState=deactivating\nDescription=ViewKeeper Service ((44185,1114))\n"
      "ExecStart={ path=/opt/view keeper/deskagent ; argv[]=/opt/view keeper/deskagent ; ignore_errors=no ; "
      "start_time=[n/a] ; stop_time=[n/a] ; pid=0 ; code=(null) ; status=0/0 }\n";
  EXPECT_EQ(ShowValue(show, "Description"), "ViewKeeper Service ((44185,1114))");
  EXPECT_EQ(ShowValue(show, "State"), "");
  EXPECT_EQ(PathFromExecStart(ShowValue(show, "ExecStart")), "/opt/view keeper/deskagent");
  EXPECT_EQ(StateFromShow("loaded", "deactivating"), kServiceStopPending);
  EXPECT_EQ(StateFromShow("loaded", "activating"), kServiceStartPending);
  EXPECT_EQ(StateFromShow("loaded", "active"), kServiceRunning);
  EXPECT_EQ(StateFromShow("loaded", "failed"), kServiceStopped);
  EXPECT_EQ(StateFromShow("loaded", "inactive"), kServiceStopped);
  EXPECT_EQ(StateFromShow("not-found", "inactive"), 0u);
}

TEST(RemoteTexts, LddNamesMissingLibrariesWithTheirPackages) {
  const std::string ldd =
      "\tlinux-vdso.so.1 (0x00007ffd)\n\tliborklog.so => /opt/viewkeeper/liborklog.so (0x7f)\n"
      "\tlibQt6Widgets.so.6 => not found\n\tlibXdamage.so.1 => not found\n\tlibodd.so.3 => not found\n";
  std::vector<MissingLibrary> missing = MissingFromLdd(ldd);
  ASSERT_EQ(missing.size(), 3u);
  EXPECT_EQ(ToUtf8(missing[0].library), "libQt6Widgets.so.6");
  EXPECT_EQ(ToUtf8(missing[0].package), "libqt6widgets6");
  EXPECT_EQ(ToUtf8(missing[1].package), "libxdamage1");
  EXPECT_EQ(ToUtf8(missing[2].library), "libodd.so.3");
  EXPECT_TRUE(missing[2].package.empty());
}

TEST(RemoteTexts, FailuresOfCommandsAndConnectionsHaveWin32Codes) {
  EXPECT_EQ(CodeFromCommandError("mkdir: cannot create directory '/opt/x': File exists"), 183);
  EXPECT_EQ(CodeFromCommandError("rm: cannot remove '/opt/x': No such file or directory"), 2);
  EXPECT_EQ(CodeFromCommandError("install: cannot create regular file: Permission denied"), 5);
  EXPECT_EQ(CodeFromCommandError("Failed to start viewkeeper.service: Unit viewkeeper.service not found."), 1060);
  EXPECT_EQ(CodeFromCommandError("sh: 1: systemctl: command not found"), 2);
  EXPECT_EQ(CodeFromCommandError("cp: error writing: No space left on device"), 112);
  EXPECT_EQ(ssh::CodeFromConnectError("Failed to connect: No route to host"), 10065);
  EXPECT_EQ(ssh::CodeFromConnectError("Connection refused"), 10061);
  EXPECT_EQ(ssh::CodeFromConnectError("Failed to resolve hostname nowhere (Name or service not known)"), 11001);
  EXPECT_EQ(ToUtf8(ssh::PermissionDeniedText(0x0004 | 0x0002)), "Permission denied (publickey,password).");
}

}  // namespace
}  // namespace vk::remote
