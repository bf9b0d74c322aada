#include "platform/x11/testing/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <vector>

namespace vk::testing {
namespace {

// Where execv finds Xvfb; looked up before fork (the child may only make
// async-signal-safe calls).
std::string FindProgram(const std::string& name) {
  const char* path = getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string candidate = folders.substr(start, end - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

// Reads the display number that Xvfb writes to the pipe once it accepts
// clients; empty after 20 s or when the pipe closes first.
std::string ReadDisplayNumber(int fd) {
  std::string text;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (text.find('\n') == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return {};
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
    char buffer[32];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return {};
    text.append(buffer, static_cast<size_t>(n));
  }
  return text.substr(0, text.find('\n'));
}

}  // namespace

XvfbServer::XvfbServer(int width, int height, int depth, bool exportDisplay, const std::string& authFile) {
  const std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
  if (StartOn({}, geometry, authFile) && exportDisplay) setenv("DISPLAY", displayName_.c_str(), 1);
}

bool XvfbServer::StartOn(const std::string& display, const std::string& geometry, const std::string& authFile) {
  return Launch(display, geometry, authFile, true);
}

bool XvfbServer::StartPrivateOn(const std::string& display, const std::string& geometry) {
  return Launch(display, geometry, {}, false);
}

bool XvfbServer::Launch(const std::string& display, const std::string& geometry, const std::string& authFile,
                        bool lock) {
  Stop();
  const std::string program = FindProgram("Xvfb");
  if (program.empty()) return false;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  std::vector<std::string> args = {"Xvfb", "-displayfd", "3", "-noreset", "-nolisten", "tcp", "-screen", "0", geometry};
  if (!display.empty()) args.insert(args.begin() + 1, display);
  if (!authFile.empty()) args.insert(args.end(), {"-auth", authFile});
  if (!lock) args.push_back("-nolock");
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    // Dies with the test process; a parent that died before this line is
    // noticed too.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    // The write end as descriptor 3, standard output and error to
    // /dev/null, nothing else of the test's (an orphan must not hold its pipes).
    dup2(fds[1], 3);
    if (devNull >= 0) {
      dup2(devNull, 0);
      dup2(devNull, 1);
      dup2(devNull, 2);
    }
    close_range(4, ~0u, 0);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(fds[1]);
  if (devNull >= 0) close(devNull);
  if (pid < 0) {
    close(fds[0]);
    return false;
  }
  pid_ = pid;
  const std::string number = ReadDisplayNumber(fds[0]);
  close(fds[0]);
  if (number.empty()) {
    Stop();
    return false;
  }
  displayName_ = ":" + number;
  return true;
}

void XvfbServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  kill(pid_, SIGCONT);  // a test may have stopped it
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  displayName_.clear();
}

void XvfbServer::Pause() {
  if (pid_ > 0) kill(pid_, SIGSTOP);
}

void XvfbServer::Resume() {
  if (pid_ > 0) kill(pid_, SIGCONT);
}

std::string UnusedDisplayName() {
  for (int i = 0; i < 800; ++i) {
    const int number = 200 + (getpid() + i) % 800;
    const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    if (access(lock.c_str(), F_OK) != 0 && access(socket.c_str(), F_OK) != 0) return ":" + std::to_string(number);
  }
  return ":999";
}

std::string NoServerDisplayName() {
  static const std::string name = [] {
    char folder[] = "/tmp/vk-no-x-server-XXXXXX";
    if (!mkdtemp(folder)) return std::string("/nonexistent/vk-no-x-server:0");
    return std::string(folder) + "/X0:0";
  }();
  return name;
}

}  // namespace vk::testing
