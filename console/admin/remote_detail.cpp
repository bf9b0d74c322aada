#include "console/admin/remote_detail.h"

#include <string>

#include "log/orklog.h"

void VkLogRemoteDetail(cOrkLog& log, int32_t code, std::u16string_view text) {
  std::u16string line(text);
  while (!line.empty() && (line.back() == u'.' || line.back() == u' ' || line.back() == u'\n')) line.pop_back();
  if (line.empty()) return;
  log.LogMsg(LOG_ERROR, code, u"%s. Errorcode %ld.", line, code);
}
