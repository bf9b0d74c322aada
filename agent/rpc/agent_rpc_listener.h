// The configuration RPC listener in the shape the service frame starts and
// stops it (iVkRpcListener).
#pragma once

#include "agent/rpc/rpc_listener.h"
#include "agent/service/service_parts.h"

namespace vk::agent {

class cVkAgentRpcListener final : public iVkRpcListener {
 public:
  explicit cVkAgentRpcListener(cVkRpcAgentContext context, cVkRpcListenerOptions options = {})
      : listener_(std::move(context), options) {}

  // The context given at construction already reaches the service.
  int32_t StartListenerThread(cOrkLog& log, vk::WorkerThread& thread, iVkServiceControl&) override {
    return listener_.Start(log, thread);
  }
  int32_t StopListening(cOrkLog& log) override { return listener_.StopListening(log); }

 private:
  cVkRpcListener listener_;
};

}  // namespace vk::agent
