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
  for (const cOrkLogMessage& m : log.GetMessages()) lines.push_back({m.text, m.code});
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
