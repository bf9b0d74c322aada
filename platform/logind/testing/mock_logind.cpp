#include "platform/logind/testing/mock_logind.h"

#include <stdlib.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace vk::logind::testing {
namespace {

constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kDaemon = "/usr/bin/dbus-daemon";
constexpr const char* kMockInterface = "org.freedesktop.DBus.Mock";

std::string SessionPath(const std::string& id) { return "/org/freedesktop/login1/session/" + id; }
constexpr const char* kSeatPath = "/org/freedesktop/login1/seat/seat0";

bool DbusmockInstalled() {
  std::string command = std::string(kPython) + " -c 'import dbusmock' 2>/dev/null";
  return access(kPython, X_OK) == 0 && system(command.c_str()) == 0;
}

void WriteConfig(const std::string& path, const std::string& socket) {
  std::ofstream(path) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                         "<busconfig><type>session</type><listen>unix:path="
                      << socket
                      << "</listen><auth>EXTERNAL</auth>"
                         "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                         "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
}

struct Reply {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* message = nullptr;
  ~Reply() {
    sd_bus_error_free(&error);
    sd_bus_message_unref(message);
  }
};

}  // namespace

MockLogind::MockLogind() {
  if (!DbusmockInstalled()) {
    failure_ = "python3-dbusmock is not installed for /usr/bin/python3";
    return;
  }
  char pattern[] = "/tmp/vklogindXXXXXX";
  if (!mkdtemp(pattern)) {
    failure_ = "no temporary folder";
    return;
  }
  dir_ = pattern;
  std::string socket = dir_ + "/bus";
  WriteConfig(dir_ + "/bus.conf", socket);
  address_ = "unix:path=" + socket;
  // The daemon prints its address once it listens.
  daemon_ = std::make_unique<vk::testing::ChildProcess>(
      kDaemon, std::map<std::string, std::string>{}, "",
      std::vector<std::string>{"--config-file=" + dir_ + "/bus.conf", "--nofork", "--nopidfile", "--print-address=2"});
  if (!daemon_->Started() || !daemon_->ReadStderrUntil("\n", std::chrono::seconds(20))) {
    failure_ = "dbus-daemon did not start: " + daemon_->StderrText();
    return;
  }
  // Both bus variables name the private bus, so the mock cannot reach the
  // machine's own buses whatever it chooses.
  std::map<std::string, std::string> env{{"DBUS_SESSION_BUS_ADDRESS", address_},
                                         {"DBUS_SYSTEM_BUS_ADDRESS", address_},
                                         {"DISPLAY", ""},
                                         {"LD_PRELOAD", ""}};
  // Through a shell only to send the mock's standard output away: a mock
  // left behind must not hold the test's output open.
  const std::string command =
      std::string("exec ") + kPython + " -m dbusmock --session -l " + dir_ + "/calls.log -t logind >/dev/null";
  mock_ = std::make_unique<vk::testing::ChildProcess>("/bin/sh", env, dir_ + "/mock.log",
                                                      std::vector<std::string>{"-c", command});
  if (!mock_->Started() || OpenBus(address_, &bus_) != 0 || !WaitForService()) {
    failure_ = "the logind mock did not come up: " + vk::testing::ReadFileText(dir_ + "/mock.log");
  }
}

MockLogind::~MockLogind() {
  bus_.reset();
  mock_.reset();
  daemon_.reset();
  if (!dir_.empty()) std::filesystem::remove_all(dir_);
}

bool MockLogind::WaitForService() {
  // Woken by NameOwnerChanged; the name is checked after each wake-up.
  sd_bus_match_signal(bus_.get(), nullptr, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                      "NameOwnerChanged", nullptr, nullptr);
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < end) {
    Reply reply;
    int r = sd_bus_call_method(bus_.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                               "NameHasOwner", &reply.error, &reply.message, "s", kService);
    int owned = 0;
    if (r >= 0 && sd_bus_message_read(reply.message, "b", &owned) >= 0 && owned) return true;
    while (sd_bus_process(bus_.get(), nullptr) > 0) {
    }
    sd_bus_wait(bus_.get(), 200000);
  }
  return false;
}

bool MockLogind::SetString(const std::string& path, const char* name, const std::string& value) {
  Reply reply;
  return sd_bus_set_property(bus_.get(), kService, path.c_str(), kSessionInterface, name, &reply.error, "s",
                             value.c_str()) >= 0;
}

bool MockLogind::SetUint32(const std::string& path, const char* name, uint32_t value) {
  Reply reply;
  return sd_bus_set_property(bus_.get(), kService, path.c_str(), kSessionInterface, name, &reply.error, "u", value) >=
         0;
}

bool MockLogind::AddSession(const MockSession& session) {
  Reply reply;
  int r =
      sd_bus_call_method(bus_.get(), kService, kManagerPath, kMockInterface, "AddSession", &reply.error, &reply.message,
                         "ssusb", session.id.c_str(), "seat0", session.uid, session.user.c_str(), 0);
  if (r < 0) return false;
  std::string path = SessionPath(session.id);
  // The template makes every new session the seat's active one; logind
  // does not, so the seat keeps what it had until Activate.
  return SetString(path, "Type", session.type) && SetString(path, "Class", session.sessionClass) &&
         SetString(path, "Display", session.display) && SetUint32(path, "Leader", session.leader);
}

bool MockLogind::Activate(const std::string& id) {
  Reply reply;
  std::string path = id.empty() ? "/" : SessionPath(id);
  return sd_bus_set_property(bus_.get(), kService, kSeatPath, kSeatInterface, "ActiveSession", &reply.error, "(so)",
                             id.c_str(), path.c_str()) >= 0;
}

bool MockLogind::RemoveSession(const std::string& id) {
  std::string path = SessionPath(id);
  Reply removed;
  if (sd_bus_call_method(bus_.get(), kService, kManagerPath, kMockInterface, "RemoveObject", &removed.error,
                         &removed.message, "s", path.c_str()) < 0)
    return false;
  Reply signalled;
  return sd_bus_call_method(bus_.get(), kService, kManagerPath, kMockInterface, "EmitSignal", &signalled.error,
                            &signalled.message, "sssav", kManagerInterface, "SessionRemoved", "so", 2, "s", id.c_str(),
                            "o", path.c_str()) >= 0;
}

std::vector<std::string> MockLogind::Calls(const std::string& method) {
  std::vector<std::string> calls;
  Reply reply;
  if (sd_bus_call_method(bus_.get(), kService, kManagerPath, kMockInterface, "GetMethodCalls", &reply.error,
                         &reply.message, "s", method.c_str()) < 0)
    return calls;
  sd_bus_message* m = reply.message;
  if (sd_bus_message_enter_container(m, 'a', "(tav)") <= 0) return calls;
  while (sd_bus_message_enter_container(m, 'r', "tav") > 0) {
    uint64_t time = 0;
    sd_bus_message_read(m, "t", &time);
    std::string first;
    sd_bus_message_enter_container(m, 'a', "v");
    char type = 0;
    const char* contents = nullptr;
    while (sd_bus_message_peek_type(m, &type, &contents) > 0) {
      const char* text = nullptr;
      if (first.empty() && contents && std::string(contents) == "s" && sd_bus_message_read(m, "v", "s", &text) >= 0) {
        first = text;
      } else {
        sd_bus_message_skip(m, "v");
      }
    }
    sd_bus_message_exit_container(m);
    sd_bus_message_exit_container(m);
    calls.push_back(first);
  }
  return calls;
}

}  // namespace vk::logind::testing
