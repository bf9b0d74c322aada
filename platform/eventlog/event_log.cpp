#include "platform/eventlog/event_log.h"

#include <syslog.h>

#include <atomic>
#include <mutex>
#include <string>

#include "platform/core/text.h"

namespace vk {
namespace {

int PriorityOf(EventType type) {
  switch (type) {
    case EventType::Error:
      return LOG_ERR;
    case EventType::Warning:
      return LOG_WARNING;
    case EventType::Information:
      return LOG_INFO;
  }
  return LOG_INFO;
}

class SyslogSink final : public EventLogSink {
 public:
  bool Report(std::u16string_view source, EventType type, uint32_t /*eventId*/, std::u16string_view text) override {
    const std::string ident = ToUtf8(source);
    const std::string message = ToUtf8(text);
    // openlog keeps a pointer to the identity and is process-wide: one
    // report at a time, each under its own source name.
    std::lock_guard guard(mutex_);
    ::openlog(ident.c_str(), LOG_PID, LOG_DAEMON);
    ::syslog(PriorityOf(type), "%s", message.c_str());
    ::closelog();
    return true;
  }

 private:
  std::mutex mutex_;
};

std::atomic<EventLogSink*> installed{nullptr};

}  // namespace

EventLogSink& SyslogEventLog() {
  static SyslogSink sink;
  return sink;
}

EventLogSink& CurrentEventLogSink() {
  EventLogSink* sink = installed.load(std::memory_order_acquire);
  return sink ? *sink : SyslogEventLog();
}

EventLogSink* SetEventLogSink(EventLogSink* sink) {
  EventLogSink* previous = installed.exchange(sink, std::memory_order_acq_rel);
  return previous ? previous : &SyslogEventLog();
}

}  // namespace vk
