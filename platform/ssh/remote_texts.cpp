// Reading what systemctl, ldd and the shell tools answer on the target.
#include <string>

#include "platform/core/error_codes.h"
#include "platform/core/text.h"
#include "platform/ssh/remote_computer.h"

namespace vk::remote {
namespace {

// Debian packages of the libraries the agent links (bookworm names).
struct LibraryPackage {
  std::string_view library;
  std::string_view package;
};
constexpr LibraryPackage kPackages[] = {
    {"libX11.so.6", "libx11-6"},
    {"libXext.so.6", "libxext6"},
    {"libXtst.so.6", "libxtst6"},
    {"libXfixes.so.3", "libxfixes3"},
    {"libXdamage.so.1", "libxdamage1"},
    {"libXrandr.so.2", "libxrandr2"},
    {"libXi.so.6", "libxi6"},
    {"libXrender.so.1", "libxrender1"},
    {"libxcb.so.1", "libxcb1"},
    {"libxcb-shm.so.0", "libxcb-shm0"},
    {"libXau.so.6", "libxau6"},
    {"libXdmcp.so.6", "libxdmcp6"},
    {"libz.so.1", "zlib1g"},
    {"libpam.so.0", "libpam0g"},
    {"libQt6Core.so.6", "libqt6core6"},
    {"libQt6Gui.so.6", "libqt6gui6"},
    {"libQt6Widgets.so.6", "libqt6widgets6"},
    {"libQt6DBus.so.6", "libqt6dbus6"},
    {"libxkbcommon.so.0", "libxkbcommon0"},
    {"libpng16.so.16", "libpng16-16"},
    {"libstdc++.so.6", "libstdc++6"},
    {"libgcc_s.so.1", "libgcc-s1"},
    {"libsystemd.so.0", "libsystemd0"},
    {"libdbus-1.so.3", "libdbus-1-3"},
    {"libEGL.so.1", "libegl1"},
    {"libfontconfig.so.1", "libfontconfig1"},
    {"libfreetype.so.6", "libfreetype6"},
    {"libglib-2.0.so.0", "libglib2.0-0"},
    {"liborklog.so", "viewkeeper (copied with the agent)"},
    {"libdeskhook.so", "viewkeeper (copied with the agent)"},
};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string ShowValue(std::string_view output, std::string_view key) {
  size_t pos = 0;
  while (pos < output.size()) {
    size_t end = output.find('\n', pos);
    if (end == std::string_view::npos) end = output.size();
    std::string_view line = output.substr(pos, end - pos);
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=') {
      return std::string(Trim(line.substr(key.size() + 1)));
    }
    pos = end + 1;
  }
  return {};
}

uint32_t StateFromShow(std::string_view loadState, std::string_view activeState) {
  if (loadState != "loaded") return 0;
  if (activeState == "active" || activeState == "reloading") return kServiceRunning;
  if (activeState == "activating") return kServiceStartPending;
  if (activeState == "deactivating") return kServiceStopPending;
  return kServiceStopped;  // inactive, failed
}

std::string PathFromExecStart(std::string_view execStart) {
  size_t at = execStart.find("path=");
  if (at == std::string_view::npos) return {};
  std::string_view rest = execStart.substr(at + 5);
  size_t end = rest.find(" ;");
  return std::string(Trim(rest.substr(0, end)));
}

std::vector<MissingLibrary> MissingFromLdd(std::string_view output) {
  std::vector<MissingLibrary> missing;
  size_t pos = 0;
  while (pos < output.size()) {
    size_t end = output.find('\n', pos);
    if (end == std::string_view::npos) end = output.size();
    std::string_view line = Trim(output.substr(pos, end - pos));
    pos = end + 1;
    size_t arrow = line.find(" => not found");
    if (arrow == std::string_view::npos) continue;
    std::string_view library = Trim(line.substr(0, arrow));
    MissingLibrary entry{FromUtf8(library), {}};
    for (const LibraryPackage& p : kPackages) {
      if (p.library == library) entry.package = FromUtf8(p.package);
    }
    missing.push_back(std::move(entry));
  }
  return missing;
}

int32_t CodeFromCommandError(std::string_view text) {
  struct Match {
    std::string_view words;
    int32_t code;
  };
  static constexpr Match kMatches[] = {
      {"No such file", ERROR_FILE_NOT_FOUND},        {"File exists", ERROR_ALREADY_EXISTS},
      {"Permission denied", ERROR_ACCESS_DENIED},    {"Access denied", ERROR_ACCESS_DENIED},
      {"not permitted", ERROR_ACCESS_DENIED},        {"authentication required", ERROR_ACCESS_DENIED},
      {"password is required", ERROR_ACCESS_DENIED}, {"No space left", ERROR_DISK_FULL},
      {"Text file busy", ERROR_USER_MAPPED_FILE},    {"Directory not empty", ERROR_DIR_NOT_EMPTY},
      {"command not found", ERROR_FILE_NOT_FOUND},   {"not loaded", ERROR_SERVICE_DOES_NOT_EXIST},
      {"not found", ERROR_SERVICE_DOES_NOT_EXIST},
  };
  for (const Match& m : kMatches) {
    if (text.find(m.words) != std::string_view::npos) return m.code;
  }
  return ERROR_GEN_FAILURE;
}

}  // namespace vk::remote
