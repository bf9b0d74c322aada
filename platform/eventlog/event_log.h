// The system's event log: one entry per report, under a source name.
//
// Here the event log is syslog: the source name becomes the syslog identity
// and the entry type its priority. Tests install their own sink with
// SetEventLogSink to see what would be reported.
#pragma once

#include <cstdint>
#include <string_view>

namespace vk {

enum class EventType { Error, Warning, Information };

class EventLogSink {
 public:
  virtual ~EventLogSink() = default;
  // Opens the source, reports one entry whose only insertion string is
  // `text`, and closes the source again. False when the source could not be
  // opened or the report failed.
  virtual bool Report(std::u16string_view source, EventType type, uint32_t eventId, std::u16string_view text) = 0;
};

// The syslog sink.
EventLogSink& SyslogEventLog();

// The sink reports go to: syslog unless a program or test installed another.
EventLogSink& CurrentEventLogSink();

// Installs `sink` (nullptr restores syslog) and answers the previous one.
// The sink must outlive its installation. cOrkLog reports through the
// current sink; programs reach this library through liborklog.
EventLogSink* SetEventLogSink(EventLogSink* sink);

}  // namespace vk
