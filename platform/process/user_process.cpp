#include "platform/process/user_process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/error_codes.h"

namespace vk {
namespace {

constexpr int32_t kNoSuchUser = 1317;  // ERROR_NO_SUCH_USER

struct Account {
  uid_t uid = 0;
  gid_t gid = 0;
  std::string home;
  std::vector<gid_t> groups;
};

int32_t LookUpAccount(uint32_t uid, Account* account) {
  passwd entry{};
  passwd* found = nullptr;
  std::vector<char> buffer(16384);
  // nss_wrapper answers ENOENT for an unknown user where glibc answers 0:
  // only the result tells.
  getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
  if (!found) return kNoSuchUser;
  account->uid = found->pw_uid;
  account->gid = found->pw_gid;
  account->home = found->pw_dir ? found->pw_dir : "/";
  int count = 64;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  if (getgrouplist(found->pw_name, found->pw_gid, groups.data(), &count) < 0) {
    groups.resize(static_cast<size_t>(count));
    if (getgrouplist(found->pw_name, found->pw_gid, groups.data(), &count) < 0) count = 0;
  }
  groups.resize(static_cast<size_t>(count));
  if (groups.empty()) groups.push_back(found->pw_gid);
  account->groups = std::move(groups);
  return 0;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// In the child between fork and exec: only async-signal-safe calls. Any
// failure ends the child before the program runs with the agent's rights.
[[noreturn]] void BecomeUserAndExec(const Account& account, int link, int errFd, char* const* argv, char* const* envp) {
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int s : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGCHLD}) signal(s, SIG_DFL);
  setsid();
  int null = open("/dev/null", O_RDWR);
  if (null < 0 || dup2(null, 0) < 0 || dup2(null, 1) < 0 || dup2(errFd >= 0 ? errFd : null, 2) < 0) _exit(126);
  if (dup2(link, kUserProcessLinkFd) < 0) _exit(126);
  syscall(SYS_close_range, kUserProcessLinkFd + 1, ~0U, 0);
  if (setgroups(account.groups.size(), account.groups.data()) != 0) _exit(126);
  if (setresgid(account.gid, account.gid, account.gid) != 0) _exit(126);
  if (setresuid(account.uid, account.uid, account.uid) != 0) _exit(126);
  // Root must not be reachable again.
  if (account.uid != 0 && (setuid(0) == 0 || geteuid() == 0)) _exit(126);
  if (chdir(account.home.c_str()) != 0 && chdir("/") != 0) _exit(126);
  execve(argv[0], argv, envp);
  _exit(127);
}

}  // namespace

std::string EnvironmentValue(const std::vector<std::string>& environment, const std::string& name) {
  const std::string prefix = name + "=";
  for (const std::string& entry : environment)
    if (entry.compare(0, prefix.size(), prefix) == 0) return entry.substr(prefix.size());
  return {};
}

int32_t UserProcess::Start(const UserProcessLaunch& launch, std::unique_ptr<UserProcess>* process) {
  if (launch.program.empty() || launch.program[0] != '/') return ERROR_INVALID_PARAMETER;
  Account account;
  if (int32_t code = LookUpAccount(launch.uid, &account); code != 0) return code;
  std::vector<std::string> args{launch.program};
  args.insert(args.end(), launch.args.begin(), launch.args.end());
  std::vector<std::string> env = launch.environment;
  std::vector<char*> argv = Pointers(args);
  std::vector<char*> envp = Pointers(env);

  int pair[2] = {-1, -1};
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return Win32FromErrno(errno);
  int errFd = -1;
  if (!launch.stderrPath.empty())
    errFd = open(launch.stderrPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  pid_t pid = fork();
  if (pid == 0) BecomeUserAndExec(account, pair[1], errFd, argv.data(), envp.data());
  int forkError = errno;
  close(pair[1]);
  if (errFd >= 0) close(errFd);
  if (pid < 0) {
    close(pair[0]);
    return Win32FromErrno(forkError);
  }
  std::unique_ptr<UserProcess> started(new UserProcess);
  started->pid_ = pid;
  started->linkFd_ = pair[0];
  started->pidFd_ = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  *process = std::move(started);
  return 0;
}

UserProcess::~UserProcess() {
  Kill();
  if (pidFd_ >= 0) close(pidFd_);
  if (linkFd_ >= 0) close(linkFd_);
}

bool UserProcess::HasExited() {
  if (exited_) return true;
  int status = 0;
  pid_t r = waitpid(pid_, &status, WNOHANG);
  if (r != pid_) return false;
  exited_ = true;
  exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  return true;
}

bool UserProcess::WaitForExit(std::chrono::milliseconds timeout) {
  if (HasExited()) return true;
  if (pidFd_ < 0) return false;
  pollfd p{pidFd_, POLLIN, 0};
  int r = 0;
  while ((r = poll(&p, 1, static_cast<int>(timeout.count()))) < 0 && errno == EINTR) {
  }
  return r > 0 && HasExited();
}

void UserProcess::Kill() {
  if (pid_ <= 0 || HasExited()) return;
  kill(pid_, SIGTERM);
  if (WaitForExit(std::chrono::seconds(2))) return;
  kill(pid_, SIGKILL);
  WaitForExit(std::chrono::seconds(10));
}

}  // namespace vk
