// Test support: the messages of a cOrkLog as plain records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "log/orklog.h"
#include "platform/core/text.h"

namespace vk::testing {

struct LogLine {
  uint32_t type;
  int32_t code;
  std::string text;  // UTF-8, for readable test failures
};

inline std::vector<LogLine> LogLines(cOrkLog& log) {
  std::vector<LogLine> lines;
  char16_t buffer[4200];
  uint32_t index = 0;
  int32_t time = 0;
  uint32_t type = 0;
  int32_t code = 0;
  while (log.GetMemMessageEx(&index, LOG_ALL, &time, &type, &code, buffer, 4200) == 0)
    lines.push_back({type, code, vk::ToUtf8(buffer)});
  return lines;
}

// Whether some message starts with `prefix`.
inline bool HasLineStartingWith(cOrkLog& log, const std::string& prefix) {
  for (const LogLine& line : LogLines(log))
    if (line.text.rfind(prefix, 0) == 0) return true;
  return false;
}

}  // namespace vk::testing
