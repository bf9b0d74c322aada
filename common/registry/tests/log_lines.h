// The messages a test's log holds, for checking what was reported.
#pragma once

#include <string>
#include <vector>

#include "log/orklog.h"

struct LoggedLine {
  std::u16string text;
  int32_t code;
};

inline std::vector<LoggedLine> LoggedLines(cOrkLog& log) {
  std::vector<LoggedLine> lines;
  uint32_t index = 0;
  char16_t buffer[4096];
  int32_t time = 0, code = 0;
  uint32_t type = 0;
  while (log.GetMemMessageEx(&index, LOG_ALL, &time, &type, &code, buffer, 4096) == 0)
    lines.push_back({buffer, code});
  return lines;
}

// True when some line starts with the text.
inline bool Logged(cOrkLog& log, std::u16string_view start) {
  for (const LoggedLine& line : LoggedLines(log))
    if (line.text.starts_with(start)) return true;
  return false;
}

// A log that keeps every message type in memory.
struct TestLog : cOrkLog {
  TestLog() { SetMemLogMask(LOG_ALL); }
};
