#include "platform/logind/x_authority.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace vk::logind {
namespace {

std::string ReadProcFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> SplitNul(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : text) {
    if (c != '\0') {
      part += c;
      continue;
    }
    parts.push_back(part);
    part.clear();
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

bool ProcessUid(int pid, uid_t* uid) {
  struct stat info {};
  if (stat(("/proc/" + std::to_string(pid)).c_str(), &info) != 0) return false;
  *uid = info.st_uid;
  return true;
}

// Inodes of the listening sockets of display N (path and abstract names).
std::vector<std::string> ListeningSocketInodes(int number) {
  const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
  std::vector<std::string> inodes;
  std::istringstream table(ReadProcFile("/proc/net/unix"));
  std::string line;
  std::getline(table, line);  // the heading
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, refs, protocol, flags, type, state, inode, name;
    if (!(fields >> slot >> refs >> protocol >> flags >> type >> state >> inode >> name)) continue;
    unsigned long flagBits = 0;
    std::from_chars(flags.data(), flags.data() + flags.size(), flagBits, 16);
    const bool listening = (flagBits & 0x10000u) != 0;
    if (listening && (name == path || name == "@" + path)) inodes.push_back(inode);
  }
  return inodes;
}

bool HoldsSocket(const std::string& pidDir, const std::vector<std::string>& inodes) {
  DIR* fds = opendir((pidDir + "/fd").c_str());
  if (!fds) return false;
  bool found = false;
  while (dirent* entry = readdir(fds)) {
    char target[64];
    ssize_t n = readlink((pidDir + "/fd/" + entry->d_name).c_str(), target, sizeof target - 1);
    if (n <= 0) continue;
    std::string link(target, static_cast<size_t>(n));
    for (const std::string& inode : inodes) found = found || link == "socket:[" + inode + "]";
    if (found) break;
  }
  closedir(fds);
  return found;
}

// The process that listens on display N's socket, or -1.
int ServerOfDisplay(int number) {
  std::vector<std::string> inodes = ListeningSocketInodes(number);
  if (inodes.empty()) return -1;
  DIR* proc = opendir("/proc");
  if (!proc) return -1;
  int server = -1;
  while (dirent* entry = readdir(proc)) {
    int pid = 0;
    const char* end = entry->d_name + strlen(entry->d_name);
    auto [at, error] = std::from_chars(entry->d_name, end, pid);
    if (error != std::errc() || at != end || pid <= 0) continue;
    if (HoldsSocket(std::string("/proc/") + entry->d_name, inodes)) {
      server = pid;
      break;
    }
  }
  closedir(proc);
  return server;
}

std::string ServerAuthority(const LoginSession& session, int number) {
  int server = ServerOfDisplay(number);
  uid_t serverUid = 0;
  if (server < 0 || !ProcessUid(server, &serverUid)) return {};
  std::vector<std::string> args = SplitNul(ReadProcFile("/proc/" + std::to_string(server) + "/cmdline"));
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] != "-auth") continue;
    const std::string& file = args[i + 1];
    if (OwnedFile(file, session.uid) || (serverUid == 0 && OwnedFile(file, 0))) return file;
  }
  return {};
}

std::string LeaderAuthority(const LoginSession& session) {
  std::string file = LeaderVariable(session, "XAUTHORITY");
  return OwnedFile(file, session.uid) ? file : std::string();
}

std::string HomeAuthority(const LoginSession& session) {
  std::string file = UserHome(session.uid) + "/.Xauthority";
  return OwnedFile(file, session.uid) ? file : std::string();
}

}  // namespace

std::string LeaderVariable(const LoginSession& session, const std::string& name) {
  if (session.leader == 0) return {};
  const std::string prefix = name + "=";
  for (const std::string& entry : SplitNul(ReadProcFile("/proc/" + std::to_string(session.leader) + "/environ")))
    if (entry.compare(0, prefix.size(), prefix) == 0) return entry.substr(prefix.size());
  return {};
}

bool OwnedFile(const std::string& path, uint32_t owner) {
  if (path.empty() || path[0] != '/') return false;
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return false;
  return S_ISREG(info.st_mode) && info.st_uid == owner;
}

std::string UserHome(uint32_t uid) {
  passwd entry{};
  passwd* found = nullptr;
  std::vector<char> buffer(16384);
  // nss_wrapper answers ENOENT for an unknown user: only the result tells.
  getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
  return found && found->pw_dir ? std::string(found->pw_dir) : std::string();
}

int DisplayNumber(const std::string& display) {
  if (display.size() < 2 || display[0] != ':') return -1;
  int number = -1;
  const char* begin = display.data() + 1;
  const char* end = display.data() + display.size();
  auto [at, error] = std::from_chars(begin, end, number);
  if (error != std::errc() || number < 0) return -1;
  if (at != end && *at != '.') return -1;
  return number;
}

std::string FindXAuthority(const LoginSession& session) {
  int number = DisplayNumber(session.display);
  if (number < 0) return {};
  if (std::string file = ServerAuthority(session, number); !file.empty()) return file;
  if (std::string file = LeaderAuthority(session); !file.empty()) return file;
  return HomeAuthority(session);
}

}  // namespace vk::logind
