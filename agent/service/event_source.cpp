#include "agent/service/event_source.h"

#include "agent/service/agent_version.h"
#include "agent/service/registry_values.h"
#include "log/orklog.h"

namespace vk::agent {

int32_t RegisterEventSource(cOrkLog& log, const std::u16string& eventMessageFile) {
  const std::u16string keyPath =
      vk::Format(u"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\%s", std::u16string_view(kServiceName));
  vk::RegKey root;
  int32_t code = vk::RegistryConnect(u"", vk::RegRoot::LocalMachine, &root);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while connecting to the registry. Errorcode %ld", code);
    return code;
  }
  bool failed = false;
  code = WriteStringValue(root, keyPath, u"EventMessageFile", eventMessageFile);
  if (code == 0) code = WriteDwordValue(root, keyPath, u"TypesSupported", kEventTypesSupported);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while setting the registry key '%s'. Errorcode %ld", keyPath,
               code);
    failed = true;
  }
  code = vk::RegistryCloseKey(&root);
  if (code != 0) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while disconnecting from the registry. Errorcode %ld", code);
    return code;
  }
  return failed ? -1 : 0;
}

}  // namespace vk::agent
