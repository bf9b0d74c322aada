// Where an SSH session goes, as whom, and who answers its questions.
//
// A session behaves as the `ssh` command does for the user running the
// program: ~/.ssh/config supplies HostName, User, Port and IdentityFile,
// ssh-agent and the user's keys are tried first, then a password the caller
// supplies; host keys are checked against ~/.ssh/known_hosts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vk::ssh {

struct SshTarget {
  std::string host;                        // a name, an address or an alias of the config file
  std::string user;                        // empty: the config file's, else the local user
  int port = 0;                            // 0: the config file's, else 22
  std::string configFile;                  // empty: ~/.ssh/config; "none": no config file
  std::string knownHostsFile;              // empty: ~/.ssh/known_hosts
  std::vector<std::string> identityFiles;  // keys tried besides the config file's
  std::string password;                    // alternate credentials (login and sudo); may be empty
  long connectTimeoutSeconds = 20;
};

// The operator's answer to a host key that known_hosts does not hold yet.
class HostKeyQuestion {
 public:
  virtual ~HostKeyQuestion() = default;
  // `fingerprint` is the SHA256 form ssh shows ("SHA256:..."). True accepts the
  // key and records it in the known-hosts file.
  virtual bool AcceptUnknownHostKey(std::u16string_view host, std::u16string_view keyType,
                                    std::u16string_view fingerprint) = 0;
};

// What went wrong, as a Win32-numbered code and a sentence that says it.
struct SshError {
  int32_t code = 0;
  std::u16string text;
};

}  // namespace vk::ssh
