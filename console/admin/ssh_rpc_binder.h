// The configuration interface over a forwarded SSH stream: the RPC client
// of common/rpc bound on the stream to the agent's port.
#pragma once

#include "console/admin/rpc_channel.h"

class cVkSshRpcBinder : public cVkRpcBinder {
 public:
  int32_t Bind(std::unique_ptr<vk::ssh::SshStream> stream, std::unique_ptr<cVkRpcChannel>& channel) override;
};
