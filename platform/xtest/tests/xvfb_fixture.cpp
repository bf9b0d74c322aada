#include "platform/xtest/tests/xvfb_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace vk::testing {

bool XvfbServer::StartOn(const std::string& display, const std::string& geometry) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  std::string fdText = "3";
  std::vector<std::string> args = {"Xvfb", "-displayfd", fdText, "-noreset", "-nolisten", "tcp",
                                   "-screen", "0", geometry};
  if (!display.empty()) args.insert(args.begin() + 1, display);
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The write end must survive exec in the child; nothing else of ours may
  // (a server outliving a crashed test must not hold the test's pipes).
  posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
  posix_spawn_file_actions_addclosefrom_np(&actions, 4);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  int spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (spawned != 0) {
    pid_ = -1;
    close(fds[0]);
    return false;
  }
  std::string number;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (number.find('\n') == std::string::npos) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[32];
    ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, static_cast<size_t>(n));
  }
  close(fds[0]);
  if (number.find('\n') == std::string::npos) {
    Stop();
    return false;
  }
  number.resize(number.find('\n'));
  displayName_ = ":" + number;
  return true;
}

void XvfbServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

std::string UnusedDisplayName() {
  for (int i = 0; i < 800; ++i) {
    int number = 200 + (getpid() + i) % 800;
    std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
    std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    if (access(lock.c_str(), F_OK) != 0 && access(socket.c_str(), F_OK) != 0) return ":" + std::to_string(number);
  }
  return ":999";
}

}  // namespace vk::testing
