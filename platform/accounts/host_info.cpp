#include "platform/accounts/host_info.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "platform/accounts/computer_name.h"
#include "platform/core/error_codes.h"
#include "platform/core/text.h"

namespace vk {
namespace {

std::string Trim(std::string s) {
  auto space = [](unsigned char c) { return std::isspace(c) != 0; };
  s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), space));
  s.erase(std::find_if_not(s.rbegin(), s.rend(), space).base(), s.end());
  return s;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The value of KEY=value in an os-release file, without its quotes.
std::string OsReleaseValue(const char* path, const std::string& key) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key + "=", 0) != 0) continue;
    std::string value = Trim(line.substr(key.size() + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return value;
  }
  return {};
}

// Reads up to three numbers "6.1.0-13-amd64" -> 6, 1, 0.
void ParseRelease(const char* release, uint32_t out[3]) {
  const char* p = release;
  for (int i = 0; i < 3; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(*p))) return;
    char* end = nullptr;
    unsigned long n = std::strtoul(p, &end, 10);
    out[i] = static_cast<uint32_t>(std::min<unsigned long>(n, 0xFFFFFFFFul));
    if (*end != '.') return;
    p = end + 1;
  }
}

}  // namespace

int32_t QueryOsVersion(OsVersionInfo* info, const char* osReleasePath) {
  if (info->osVersionInfoSize != sizeof(OsVersionInfo)) return ERROR_INSUFFICIENT_BUFFER;
  struct utsname names;
  if (uname(&names) != 0) return Win32FromErrno(errno);
  uint32_t numbers[3] = {0, 0, 0};
  ParseRelease(names.release, numbers);
  info->majorVersion = numbers[0];
  info->minorVersion = numbers[1];
  info->buildNumber = numbers[2];
  info->platformId = VER_PLATFORM_WIN32_NT;
  std::string pretty;
  if (osReleasePath) {
    pretty = OsReleaseValue(osReleasePath, "PRETTY_NAME");
  } else {
    pretty = OsReleaseValue("/etc/os-release", "PRETTY_NAME");
    if (pretty.empty()) pretty = OsReleaseValue("/usr/lib/os-release", "PRETTY_NAME");
  }
  std::u16string text = FromUtf8(pretty).substr(0, 127);
  std::fill(std::begin(info->csdVersion), std::end(info->csdVersion), u'\0');
  std::copy(text.begin(), text.end(), info->csdVersion);
  return 0;
}

std::u16string ReadWorkgroup(const char* smbConfPath) {
  std::ifstream in(smbConfPath);
  std::string line, section;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line.front() == '[') {
      section = Lower(Trim(line.substr(1, line.find(']') - 1)));
      continue;
    }
    size_t eq = line.find('=');
    if (section != "global" || eq == std::string::npos || Lower(Trim(line.substr(0, eq))) != "workgroup") continue;
    std::string value = Trim(line.substr(eq + 1));
    for (char& c : value) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!value.empty()) return FromUtf8(value);
  }
  return u"WORKGROUP";
}

int32_t QueryWorkstationInfo(std::u16string_view computer, std::u16string* computerName, std::u16string* lanGroup) {
  if (!IsLocalComputer(computer)) return ERROR_BAD_NETPATH;
  *computerName = LocalComputerName();
  *lanGroup = ReadWorkgroup();
  return 0;
}

int32_t FindDomainController(std::u16string_view, std::u16string*) { return NERR_DCNotFound; }

}  // namespace vk
