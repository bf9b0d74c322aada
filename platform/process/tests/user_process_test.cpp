// A program started as another user: uid, groups, the given environment
// only, the link on descriptor 3 and no other inherited descriptor.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "platform/process/user_process.h"

namespace {

constexpr uint32_t kNobody = 65534;

// Everything the program writes to the link until it closes it.
std::string ReadUntilClosed(int fd) {
  std::string text;
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return text;
    char buffer[512];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return text;
    text.append(buffer, static_cast<size_t>(n));
  }
}

class UserProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "starting a program as another user needs root";
  }
};

TEST_F(UserProcessTest, RunsAsTheUserWithOnlyItsEnvironmentAndTheLink) {
  setenv("VK_AGENT_ONLY", "secret", 1);
  // A descriptor of the agent without close-on-exec: it must not be passed.
  int stray = open("/dev/null", O_RDONLY);
  ASSERT_GE(stray, 0);
  vk::UserProcessLaunch launch;
  launch.program = "/bin/sh";
  launch.args = {"-c",
                 "id -u >&3; id -G >&3; echo \"[$VK_GIVEN][$VK_AGENT_ONLY]\" >&3; pwd >&3; "
                 "[ -e /proc/$$/fd/$STRAY ] && echo inherited >&3; [ -e /proc/$$/fd/3 ] && echo link >&3"};
  launch.uid = kNobody;
  launch.environment = {"VK_GIVEN=yes", "PATH=/usr/bin:/bin", "STRAY=" + std::to_string(stray)};
  std::unique_ptr<vk::UserProcess> process;
  ASSERT_EQ(vk::UserProcess::Start(launch, &process), 0);
  std::string out = ReadUntilClosed(process->LinkFd());
  close(stray);
  unsetenv("VK_AGENT_ONLY");
  ASSERT_TRUE(process->WaitForExit(std::chrono::seconds(20)));
  EXPECT_EQ(process->ExitStatus(), 0) << out;
  EXPECT_EQ(out, "65534\n65534\n[yes][]\n/\nlink\n");
}

TEST_F(UserProcessTest, UnknownUsersAndRelativeProgramsAreRefused) {
  vk::UserProcessLaunch launch;
  launch.program = "/bin/true";
  launch.uid = 4000000000u;
  std::unique_ptr<vk::UserProcess> process;
  EXPECT_EQ(vk::UserProcess::Start(launch, &process), 1317);
  launch.uid = kNobody;
  launch.program = "true";
  EXPECT_NE(vk::UserProcess::Start(launch, &process), 0);
  EXPECT_EQ(process, nullptr);
}

TEST_F(UserProcessTest, AProgramThatIgnoresTerminationIsKilled) {
  vk::UserProcessLaunch launch;
  launch.program = "/bin/sh";
  launch.args = {"-c", "trap '' TERM; echo up >&3; exec tail -f /dev/null"};
  launch.uid = kNobody;
  std::unique_ptr<vk::UserProcess> process;
  ASSERT_EQ(vk::UserProcess::Start(launch, &process), 0);
  char buffer[3];
  ASSERT_EQ(read(process->LinkFd(), buffer, 3), 3);
  EXPECT_FALSE(process->HasExited());
  process->Kill();
  EXPECT_TRUE(process->HasExited());
  EXPECT_EQ(process->ExitStatus(), -9);
}

}  // namespace
