// The archived records a session sends: an object record (the screen
// format) and the session's log as a cOrkMfcLog record.
#pragma once

#include <cstdint>
#include <vector>

class cOrkLog;
class cVkObject;

namespace vk {

// Appends one object record of `object` to `out`. Answers 0, or the archive
// cause with `out` unchanged.
int32_t AppendObjectRecord(cVkObject& object, std::vector<uint8_t>& out);

// Appends one cOrkMfcLog record holding the lines of `log` to `out`.
int32_t AppendLogRecord(cOrkLog& log, std::vector<uint8_t>& out);

}  // namespace vk
