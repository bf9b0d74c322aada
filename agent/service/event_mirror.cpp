#include "agent/service/event_mirror.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/core/text.h"
#include "platform/eventlog/event_log.h"

namespace vk::agent {
namespace {

const char* TypeName(vk::EventType type) {
  switch (type) {
    case vk::EventType::Error:
      return "error";
    case vk::EventType::Warning:
      return "warning";
    default:
      return "information";
  }
}

class MirrorSink : public vk::EventLogSink {
 public:
  bool Report(std::u16string_view source, vk::EventType type, uint32_t eventId, std::u16string_view text) override {
    char id[16];
    std::snprintf(id, sizeof id, "0x%08X", eventId);
    std::string line = "event " + std::string(id) + " " + TypeName(type) + ": " + vk::ToUtf8(text) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    return vk::SyslogEventLog().Report(source, type, eventId, text);
  }
};

bool Wanted() {
  const char* choice = std::getenv("VIEWKEEPER_EVENT_LOG");
  if (choice && std::string_view(choice) == "stderr") return true;
  const char* notify = std::getenv("NOTIFY_SOCKET");
  return !notify || !*notify;
}

}  // namespace

void InstallEventMirror() {
  static MirrorSink sink;
  if (Wanted()) vk::SetEventLogSink(&sink);
}

}  // namespace vk::agent
