#include "agent/rpc/publish_port.h"

#include "agent/service/agent_version.h"
#include "log/format.h"
#include "log/orklog.h"
#include "platform/core/text.h"
#include "platform/systemd/unit_description.h"

namespace vk::agent {

std::u16string RpcDisplayName(int32_t port) { return vk::Format(u"ViewKeeper Service ((%ld,%ld))", port, kBuild); }

int32_t PublishRpcPort(cOrkLog& log, int32_t port) {
  std::string folder = vk::systemd::DropInFolder();
  if (folder.empty()) return 0;
  std::u16string name = RpcDisplayName(port);
  int32_t code = vk::systemd::WriteUnitDescription(folder, name);
  if (code != 0) {
    log.LogNetMsg(LOG_ERROR, code,
                  u"An error has occurred while writing the service display name '%s' into '%s'. "
                  u"Errorcode %ld.",
                  name, vk::FromUtf8(folder), code);
    return code;
  }
  if (!vk::systemd::ReloadWanted()) return 0;
  code = vk::systemd::ReloadSystemd();
  if (code != 0)
    log.LogNetMsg(LOG_ERROR, code,
                  u"An error has occurred while reloading the service manager configuration. "
                  u"Errorcode %ld.",
                  code);
  return code;
}

}  // namespace vk::agent
