// logind realisation of the power control, through its command-line clients.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <string>

#include "platform/core/error_codes.h"
#include "platform/power/power_control.h"

extern char** environ;

namespace vk {
namespace {

std::string Trim(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\r')) text.pop_back();
  return text;
}

int32_t CodeOfExit(int32_t status) {
  if (status == 0) return 0;
  return status < 0 ? ERROR_FILE_NOT_FOUND : ERROR_GEN_FAILURE;
}

class LogindPowerControl final : public PowerControl {
 public:
  int32_t Perform(PowerAction action) override {
    switch (action) {
      case PowerAction::LogOff: return LogOff();
      case PowerAction::ShutDown: return CodeOfExit(RunProgram({"systemctl", "poweroff"}, nullptr));
      case PowerAction::Restart: return CodeOfExit(RunProgram({"systemctl", "reboot"}, nullptr));
    }
    return ERROR_INVALID_PARAMETER;
  }

 private:
  // The session shown on the seat's display is the one the viewer sees.
  int32_t LogOff() {
    std::string session;
    int32_t status = RunProgram({"loginctl", "show-seat", "seat0", "--property=ActiveSession", "--value"}, &session);
    if (status != 0) return CodeOfExit(status);
    session = Trim(session);
    if (session.empty()) return ERROR_FILE_NOT_FOUND;
    return CodeOfExit(RunProgram({"loginctl", "terminate-session", session}, nullptr));
  }
};

}  // namespace

std::unique_ptr<PowerControl> CreateLogindPowerControl() { return std::make_unique<LogindPowerControl>(); }

int32_t RunProgram(const std::vector<std::string>& argv, std::string* output) {
  if (argv.empty()) return -1;
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  int pipeFds[2] = {-1, -1};
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  pid_t pid = -1;
  int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (spawned != 0) {
    close(pipeFds[0]);
    return -1;
  }
  char buffer[512];
  for (;;) {
    ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    // Only the first few kilobytes matter to any caller.
    if (output && output->size() < 65536) output->append(buffer, static_cast<size_t>(n));
  }
  close(pipeFds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (!WIFEXITED(status)) return -1;
  // A program that posix_spawnp could not execute exits with 127.
  return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
}

}  // namespace vk
