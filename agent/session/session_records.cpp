#include "agent/session/session_records.h"

#include "common/archive/object_buffer.h"
#include "common/mfclog/mfc_log.h"

namespace vk {

int32_t AppendObjectRecord(cVkObject& object, std::vector<uint8_t>& out) {
  std::vector<uint8_t> record;
  const int32_t cause = ObjectToBuffer(&object, record);
  if (cause != 0) return cause;  // a record cut short is never sent
  out.insert(out.end(), record.begin(), record.end());
  return 0;
}

int32_t AppendLogRecord(cOrkLog& log, std::vector<uint8_t>& out) {
  cOrkMfcLog record(log);
  return AppendObjectRecord(record, out);
}

}  // namespace vk
