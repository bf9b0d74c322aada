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
  for (const cOrkLogMessage& m : log.GetMessages()) lines.push_back({m.type, m.code, vk::ToUtf8(m.text)});
  return lines;
}

// Whether some message starts with `prefix`.
inline bool HasLineStartingWith(cOrkLog& log, const std::string& prefix) {
  for (const LogLine& line : LogLines(log))
    if (line.text.rfind(prefix, 0) == 0) return true;
  return false;
}

}  // namespace vk::testing
