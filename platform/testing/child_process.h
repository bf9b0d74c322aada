// Test support: a program started as a child process with its own
// environment, standard error captured in a file, stopped by signals and
// waited for with a deadline (no sleeping).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace vk::testing {

class ChildProcess {
 public:
  // Starts `program` with the current environment changed by `env` (an empty
  // value removes the variable); standard error goes to `stderrFile`, or to
  // a pipe that ReadStderrUntil reads when `stderrFile` is empty.
  ChildProcess(const std::string& program, const std::map<std::string, std::string>& env, const std::string& stderrFile,
               const std::vector<std::string>& args = {}) {
    std::map<std::string, std::string> all;
    for (char** e = environ; *e; ++e) {
      std::string entry(*e);
      size_t eq = entry.find('=');
      if (eq != std::string::npos) all[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto& [name, value] : env) {
      if (value.empty())
        all.erase(name);
      else
        all[name] = value;
    }
    std::vector<std::string> entries;
    for (const auto& [name, value] : all) entries.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& entry : entries) envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int pipeEnds[2] = {-1, -1};
    if (stderrFile.empty() && pipe2(pipeEnds, O_CLOEXEC) == 0) {
      stderrPipe_ = pipeEnds[0];
      posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
    } else {
      posix_spawn_file_actions_addopen(&actions, 2, stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // A child must not inherit blocked signals from the test's threads.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, program.c_str(), &actions, &attr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (pipeEnds[1] >= 0) close(pipeEnds[1]);
    posix_spawnattr_destroy(&attr);
    if (pid_ > 0) pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
  }

  ~ChildProcess() {
    if (pid_ > 0 && !exitStatus_) {
      kill(pid_, SIGKILL);
      Wait();
    }
    if (pidfd_ >= 0) close(pidfd_);
    if (stderrPipe_ >= 0) close(stderrPipe_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0 && pidfd_ >= 0; }
  pid_t Pid() const { return pid_; }
  void Signal(int signal) {
    if (pid_ > 0 && !exitStatus_) kill(pid_, signal);
  }

  // Reads the piped standard error until it contains `text` (true) or the
  // deadline passes or the pipe ends (false). Everything read so far stays
  // in StderrText().
  bool ReadStderrUntil(const std::string& text, std::chrono::milliseconds deadline = std::chrono::seconds(30)) {
    auto end = std::chrono::steady_clock::now() + deadline;
    while (stderrText_.find(text) == std::string::npos) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd p{stderrPipe_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
      char buffer[4096];
      ssize_t n = read(stderrPipe_, buffer, sizeof buffer);
      if (n <= 0) return false;
      stderrText_.append(buffer, static_cast<size_t>(n));
    }
    return true;
  }
  const std::string& StderrText() const { return stderrText_; }

  // The exit status, or -(signal) when a signal ended it; nothing when the
  // process did not end before the deadline.
  std::optional<int> Wait(std::chrono::milliseconds deadline = std::chrono::seconds(60)) {
    if (exitStatus_) return exitStatus_;
    pollfd p{pidfd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(deadline.count())) <= 0) return std::nullopt;
    int status = 0;
    if (waitpid(pid_, &status, 0) != pid_) return std::nullopt;
    exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return exitStatus_;
  }

 private:
  pid_t pid_ = -1;
  int pidfd_ = -1;
  std::optional<int> exitStatus_;
  int stderrPipe_ = -1;
  std::string stderrText_;
};

inline std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace vk::testing
