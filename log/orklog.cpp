// cOrkLog: life cycle, configuration, routing and whole-log operations.
//
// Every operation takes the object's recursive lock (cheap when the caller
// already holds it through Lock), so that one log may be used by several
// threads at once. Operations on two logs lock both together.
#include "log/orklog.h"

#include <algorithm>
#include <utility>

#include "log/log_file_lines.h"
#include "log/orklog_state.h"
#include "platform/core/clock.h"
#include "platform/eventlog/event_log.h"

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;
}  // namespace

cOrkLog::cOrkLog() : state_(new State) {}

cOrkLog::~cOrkLog() {
  Clear();
  CloseFile();
  delete state_;
}

void cOrkLog::SetMemLogMask(uint32_t mask) {
  Guard guard(state_->lock);
  state_->memLogMask = mask;
}

void cOrkLog::SetFileLogMask(uint32_t mask) {
  Guard guard(state_->lock);
  state_->fileLogMask = mask;
}

void cOrkLog::SetAppLogMask(uint32_t mask) {
  Guard guard(state_->lock);
  state_->appLogMask = mask;
}

void cOrkLog::SetupEventLogging(std::u16string_view sourceName, const uint32_t eventIds[4]) {
  Guard guard(state_->lock);
  for (int k = 0; k < 4; ++k) state_->eventIds[k] = eventIds ? eventIds[k] : 0;
  state_->eventSourceName = std::u16string(sourceName);
}

int32_t cOrkLog::InitializeLogFile(std::u16string_view path, int overwrite) {
  Guard guard(state_->lock);
  state_->logFileName = std::u16string(path);
  CloseFile();
  return OpenFile(path, overwrite != 0);
}

int32_t cOrkLog::CloseLogFile() {
  Guard guard(state_->lock);
  CloseFile();
  return 0;
}

void cOrkLog::Lock(bool enter) {
  if (enter)
    state_->lock.lock();
  else
    state_->lock.unlock();
}

uint32_t cOrkLog::Capacity() const {
  Guard guard(state_->lock);
  return state_->capacity;
}

int32_t cOrkLog::OpenFile(std::u16string_view path, bool overwrite) {
  using Mode = vk::LogFileStream::Mode;
  state_->logFile = vk::LogFileStream::Open(path, overwrite ? Mode::Overwrite : Mode::Append);
  if (!state_->logFile) return -1;
  state_->logFile->Write(vk::LogSessionStartLine(vk::CurrentUnixTime()));
  return 0;
}

void cOrkLog::CloseFile() {
  if (!state_->logFile) return;
  state_->logFile->Write(vk::LogSessionEndLine(vk::CurrentUnixTime()));
  state_->logFile.reset();
}

void cOrkLog::ExtentBuffers() {
  State& s = *state_;
  if (s.messageCount != s.capacity) return;
  auto grown = std::make_unique<OrkLogEntry[]>(s.capacity + 4);
  std::move(s.entries.get(), s.entries.get() + s.messageCount, grown.get());
  s.entries = std::move(grown);
  s.capacity += 4;
}

void cOrkLog::AddMessage(int32_t time, uint32_t type, int32_t code, std::u16string_view text) {
  Guard guard(state_->lock);
  ExtentBuffers();
  state_->entries[state_->messageCount++] = OrkLogEntry{time, std::u16string(text), code, type};
}

void cOrkLog::UpdateMsg(int32_t time, uint32_t type, int32_t code, std::u16string& text) {
  std::erase(text, u'\r');
  std::erase(text, u'\n');
  const State& s = *state_;
  if (type & s.memLogMask) AddMessage(time, type, code, text);
  if ((type & s.fileLogMask) && s.logFile) WriteFileLine(time, code, text);
  if (type & s.appLogMask) ReportToEventLog(type, text);
}

void cOrkLog::WriteFileLine(int32_t time, int32_t code, std::u16string_view text) {
  state_->logFile->Write(vk::LogMessageLine(time, text, code));
}

void cOrkLog::ReportToEventLog(uint32_t type, std::u16string_view text) {
  const State& s = *state_;
  // A log without a source name (a fresh log that copied another) has
  // nowhere to report to.
  if (!s.eventSourceName) return;
  vk::EventType entry = vk::EventType::Information;
  uint32_t id;
  if (type & LOG_ERROR) {
    entry = vk::EventType::Error;
    id = s.eventIds[0];
  } else if (type & LOG_WARNING) {
    id = s.eventIds[1];
  } else if (type & LOG_INFORMATION) {
    id = s.eventIds[2];
  } else {
    id = s.eventIds[3];
  }
  if (id == 0) return;
  vk::CurrentEventLogSink().Report(*s.eventSourceName, entry, id, text);  // a failed report is ignored
}

void cOrkLog::Clear() {
  Guard guard(state_->lock);
  for (uint32_t i = 0; i < state_->messageCount; ++i) state_->entries[i].text = std::u16string();
  state_->messageCount = 0;
}

int32_t cOrkLog::CopyLog(cOrkLog& source) {
  if (&source == this) return 0;
  std::scoped_lock both(state_->lock, source.state_->lock);
  State& s = *state_;
  const State& src = *source.state_;

  s.entries = std::make_unique<OrkLogEntry[]>(src.capacity);
  std::copy(src.entries.get(), src.entries.get() + src.messageCount, s.entries.get());
  s.capacity = src.capacity;
  s.messageCount = src.messageCount;
  std::copy(std::begin(src.eventIds), std::end(src.eventIds), std::begin(s.eventIds));
  s.memLogMask = src.memLogMask;
  s.fileLogMask = src.fileLogMask;
  s.appLogMask = src.appLogMask;
  if (s.eventSourceName) s.eventSourceName = src.eventSourceName;

  s.logFileName.reset();
  if (s.fileLogMask == 0 || !src.logFileName) return 0;
  s.logFileName = src.logFileName;
  CloseFile();
  OpenFile(*s.logFileName, false);
  return 0;
}

int32_t cOrkLog::AddLog(cOrkLog& source) {
  std::scoped_lock both(state_->lock, source.state_->lock);
  const uint32_t count = source.state_->messageCount;
  for (uint32_t i = 0; i < count; ++i) {
    // A copy: routing edits the text, and the source may be this log.
    OrkLogEntry entry = source.state_->entries[i];
    UpdateMsg(entry.time, entry.type, entry.code, entry.text);
  }
  return 0;
}
