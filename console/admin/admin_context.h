// What every agent operation reaches besides its record: the way to the
// computers, the RPC binder, the operator and the clock of the wait loops.
#pragma once

#include <cstdint>
#include <functional>

#include "console/admin/operator_ui.h"
#include "console/admin/rpc_channel.h"
#include "platform/ssh/remote_computer.h"

struct cVkAdminContext {
  vk::remote::RemoteConnector* connector = nullptr;
  cVkRpcBinder* binder = nullptr;
  cVkOperatorQuestions* questions = nullptr;
  // Waits between polls of the wait loops (the tests pass one that does not wait).
  std::function<void(uint32_t milliseconds)> wait;
};

// The build this console is (and installs).
inline constexpr int32_t kVkClientBuild = 1114;
