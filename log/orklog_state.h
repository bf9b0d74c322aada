// The private state of a cOrkLog.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "log/orklog.h"
#include "platform/core/log_file.h"

// Formatting room of every message: at most kFormatBufferLength - 1
// characters of text are kept.
inline constexpr size_t kFormatBufferLength = 4096;
inline constexpr char16_t kInvalidErrorString[] = u"-- Invalid error string. --";

struct OrkLogEntry {
  int32_t time = 0;  // seconds since 1970 UTC
  std::u16string text;
  int32_t code = 0;
  uint32_t type = 0;
};

struct cOrkLog::State {
  std::unique_ptr<vk::LogFileStream> logFile;
  std::optional<std::u16string> logFileName;
  std::u16string formatBuffer;  // reserved once; used only under `lock`
  std::optional<std::u16string> eventSourceName;
  uint32_t memLogMask = LOG_ERROR;
  uint32_t fileLogMask = 0;
  uint32_t appLogMask = 0;
  uint32_t messageCount = 0;
  uint32_t capacity = 4;
  std::unique_ptr<OrkLogEntry[]> entries = std::make_unique<OrkLogEntry[]>(4);
  mutable std::recursive_mutex lock;
  uint32_t eventIds[4] = {0, 0, 0, 0};

  State() { formatBuffer.reserve(kFormatBufferLength); }
};
