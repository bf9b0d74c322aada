// vkctl's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct VkctlOptions {
  std::string command;  // status start stop install upgrade remove settings security
  std::string action;   // get or set (settings, security)
  std::vector<std::string> hosts;
  std::vector<std::string> assignments;                         // name=value (settings set)
  std::optional<std::string> administrators, operators, users;  // security set
  bool json = false;
  bool quiet = false;
  bool yes = false;
  bool acceptNewHostKeys = false;
  bool passwordStdin = false;
  std::string passwordEnv;
  std::string user;
  int port = 0;
  std::string sshConfig;
  std::string knownHosts;
  std::vector<std::string> identities;
  std::string directory = "/opt/viewkeeper/";
  std::string filesFolder;  // where the agent's files are; default: vkctl's own folder
  int parallel = 8;
};

enum class ParseOutcome { Run, Help, Usage };

ParseOutcome ParseVkctlOptions(const std::vector<std::string>& args, VkctlOptions& options, std::string& error);
const char* VkctlHelpText();
