// A program started as another user (the tray helper in the user's
// session): the user's uid, primary group and supplementary groups, an
// environment given in full (nothing of the agent's own leaks into it), and
// one end of a socket pair as descriptor 3. No other descriptor is passed.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vk {

struct UserProcessLaunch {
  std::string program;  // absolute path
  std::vector<std::string> args;
  uint32_t uid = 0;
  std::vector<std::string> environment;  // "NAME=value" entries, the whole environment
  std::string stderrPath;                // empty: /dev/null
};

// The descriptor number of the link in the started program.
inline constexpr int kUserProcessLinkFd = 3;

class UserProcess {
 public:
  // 0 or a Win32 code (ERROR_NO_SUCH_USER for an unknown uid).
  static int32_t Start(const UserProcessLaunch& launch, std::unique_ptr<UserProcess>* process);
  // Ends the program (SIGTERM, then SIGKILL when it does not go) and reaps it.
  ~UserProcess();
  UserProcess(const UserProcess&) = delete;
  UserProcess& operator=(const UserProcess&) = delete;

  int Pid() const { return pid_; }
  // The agent's end of the link (owned by this object).
  int LinkFd() const { return linkFd_; }
  // True once the program has ended (reaped); its exit status then in
  // ExitStatus (-signal when a signal ended it).
  bool HasExited();
  int ExitStatus() const { return exitStatus_; }
  // Waits for the end at most `timeout`.
  bool WaitForExit(std::chrono::milliseconds timeout);
  void Kill();

 private:
  UserProcess() = default;
  int pid_ = -1;
  int pidFd_ = -1;
  int linkFd_ = -1;
  bool exited_ = false;
  int exitStatus_ = 0;
};

// The environment entry NAME of `environment`, or empty.
std::string EnvironmentValue(const std::vector<std::string>& environment, const std::string& name);

}  // namespace vk
