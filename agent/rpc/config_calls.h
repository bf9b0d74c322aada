// The two procedures of the configuration interface, GetServiceData and
// SetServiceData, for the calls of one connection.
//
// The caller is the token built from the uid that owns the connecting
// socket; without one (the kernel could not name it, or NSS does not know
// the uid) every call is refused with 5. Each call has its own log, which
// travels back in outLog; failures are reported in `result`, the
// procedure's return value stays 0.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "agent/rpc/rpc_agent_context.h"
#include "common/rpc/rpc_server.h"
#include "platform/security/access_check.h"

namespace vk::agent {

class cVkConfigCalls : public cVkRpcCallHandler {
 public:
  cVkConfigCalls(const cVkRpcAgentContext& context, std::optional<vk::AccessToken> caller)
      : context_(context), caller_(std::move(caller)) {}

  void Dispatch(uint16_t opnum, int32_t type, std::span<const uint8_t> inData, VkRpcCallOutput* out) override;

  int32_t GetServiceData(cOrkLog& log, int32_t type, std::vector<uint8_t>* outData);
  int32_t SetServiceData(cOrkLog& log, int32_t type, std::span<const uint8_t> inData);

 private:
  int32_t CheckClientAccess(cOrkLog& log, uint32_t right);
  int32_t SetSecurity(cOrkLog& log, std::span<const uint8_t> inData);
  int32_t SetSettings(cOrkLog& log, std::span<const uint8_t> inData);

  const cVkRpcAgentContext& context_;
  std::optional<vk::AccessToken> caller_;
};

}  // namespace vk::agent
