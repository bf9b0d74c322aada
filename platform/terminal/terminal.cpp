#include "platform/terminal/terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>

namespace vk::terminal {
namespace {

bool ReadTerminal(std::string_view prompt, std::string& answer, bool echo) {
  int fd = open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  (void)!write(fd, prompt.data(), prompt.size());
  termios saved{};
  bool restore = !echo && tcgetattr(fd, &saved) == 0;
  if (restore) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(fd, TCSAFLUSH, &quiet);
  }
  answer.clear();
  char c = 0;
  bool ok = false;
  while (read(fd, &c, 1) == 1) {
    if (c == '\n') {
      ok = true;
      break;
    }
    answer += c;
  }
  if (restore) {
    tcsetattr(fd, TCSAFLUSH, &saved);
    (void)!write(fd, "\n", 1);
  }
  close(fd);
  return ok;
}

}  // namespace

bool IsTerminal(int fd) { return isatty(fd) == 1; }

bool AskLine(std::string_view prompt, std::string& answer) { return ReadTerminal(prompt, answer, true); }

bool AskSecret(std::string_view prompt, std::string& answer) { return ReadTerminal(prompt, answer, false); }

bool ReadStdinLine(std::string& line) {
  if (!std::getline(std::cin, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

bool GetEnvironment(const std::string& name, std::string& value) {
  const char* found = std::getenv(name.c_str());
  if (found == nullptr) return false;
  value = found;
  return true;
}

}  // namespace vk::terminal
