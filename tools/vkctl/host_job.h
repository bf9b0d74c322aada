// One vkctl command on one host, with its own agent manager, connection and
// log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/admin/rpc_channel.h"
#include "platform/ssh/ssh_target.h"
#include "tools/vkctl/options.h"
#include "tools/vkctl/settings_fields.h"

struct VkctlShared {
  VkctlOptions options;
  vk::ssh::SshTarget base;     // what every host's connection shares
  std::u16string filesFolder;  // the agent's files, ending in "/"
  cVkRpcBinder* binder = nullptr;
};

struct VkctlHostResult {
  std::string host;
  int32_t code = 0;
  std::string state;               // status: the service state's name
  VkNamedValues values;            // settings and security get
  std::vector<std::string> log;    // the log of a failed operation, innermost first
  std::vector<std::string> notes;  // questions asked and boxes shown
};

VkctlHostResult RunVkctlHost(const VkctlShared& shared, const std::string& host);
