// The configuration interface of an agent as the agent manager calls it: a
// bound connection over a byte stream to the agent's RPC port.
#pragma once

#include <cstdint>
#include <memory>

#include "common/archive/object_buffer.h"
#include "platform/ssh/ssh_session.h"

// Procedure numbers of the interface.
inline constexpr uint32_t kVkProcGetServiceData = 0;
inline constexpr uint32_t kVkProcSetServiceData = 1;

class cVkRpcChannel {
 public:
  virtual ~cVkRpcChannel() = default;
  // 0 when the server answers on this connection (it is listening).
  virtual int32_t CheckListening() = 0;
  // One call. Answers the call's return value; `*exception` is set when the
  // call did not complete (connection broken, a fault from the server).
  // `out` and `outLog` are the caller's to free (VkFreeRpcBuffer).
  virtual int32_t Call(uint32_t procedure, int32_t type, const VkRpcBuffer& in, VkRpcBuffer& out, VkRpcBuffer& outLog,
                       int32_t* status, bool* exception) = 0;
};

class cVkRpcBinder {
 public:
  virtual ~cVkRpcBinder() = default;
  // Binds the configuration interface over `stream` (which it keeps).
  virtual int32_t Bind(std::unique_ptr<vk::ssh::SshStream> stream, std::unique_ptr<cVkRpcChannel>& channel) = 0;
};
