#include "platform/systemd/unit_description.h"

#include <sys/stat.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/core/error_codes.h"
#include "platform/core/text.h"
#include "platform/files/whole_file.h"

namespace vk::systemd {
namespace {

const char* Env(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

// An sd-bus connection and error freed when they go.
struct Bus {
  ~Bus() {
    sd_bus_error_free(&error);
    sd_bus_flush_close_unref(bus);
  }
  sd_bus* bus = nullptr;
  sd_bus_error error = SD_BUS_ERROR_NULL;
};

}  // namespace

std::string DropInFolder() {
  if (const char* folder = Env("VIEWKEEPER_UNIT_DIR")) return folder;
  // INVOCATION_ID alone is inherited by everything a service starts.
  if (Env("INVOCATION_ID") && getppid() == 1) return kDefaultDropInFolder;
  return {};
}

bool ReloadWanted() {
  const char* reload = Env("VIEWKEEPER_SYSTEMD_RELOAD");
  return !reload || std::strcmp(reload, "no") != 0;
}

std::string DropInText(std::u16string_view description) {
  std::string text = "[Unit]\nDescription=";
  for (char c : vk::ToUtf8(description)) {
    if (c == '\n' || c == '\r') continue;
    text += c;
    if (c == '%') text += '%';
  }
  text += "\n";
  return text;
}

int32_t WriteUnitDescription(const std::string& folder, std::u16string_view description) {
  if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return vk::Win32FromErrno(errno);
  std::string text = DropInText(description);
  std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  int32_t code = vk::files::WriteWholeFileAtomic(folder + "/" + kDropInName, bytes);
  if (code != 0) return code;
  // Unit files are readable by everyone, as systemd's own tools write them.
  chmod((folder + "/" + kDropInName).c_str(), 0644);
  return 0;
}

int32_t ReloadSystemd() {
  Bus b;
  int rc = sd_bus_open_system(&b.bus);
  if (rc < 0) return vk::Win32FromErrno(-rc);
  rc = sd_bus_call_method(b.bus, "org.freedesktop.systemd1", "/org/freedesktop/systemd1",
                          "org.freedesktop.systemd1.Manager", "Reload", &b.error, nullptr, "");
  if (rc < 0) return vk::Win32FromErrno(sd_bus_error_get_errno(&b.error) > 0 ? sd_bus_error_get_errno(&b.error) : -rc);
  return 0;
}

}  // namespace vk::systemd
