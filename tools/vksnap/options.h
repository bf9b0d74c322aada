// Command line of vksnap.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vk {

struct cVkSnapOptions {
  std::string host = "127.0.0.1";
  uint16_t port = 48384;
  std::u16string user;
  std::u16string domain;
  std::u16string password;
  std::string output = "snapshot.png";
  uint32_t updates = 1;   // stop after this many screen updates ...
  uint32_t seconds = 30;  // ... or after this many seconds, whichever comes first
  bool stats = false;     // print the bytes received at the end
};

// Parses argv. The password comes from the environment variable named by
// --password-env (default VKSNAP_PASSWORD) or, with --password-stdin, from
// the first line of standard input; never from the command line itself, where
// other users could read it. `getenv` and `readLine` are the sources.
// Answers the options, or nothing with `error` set.
std::optional<cVkSnapOptions> ParseSnapOptions(const std::vector<std::string>& args,
                                               const std::function<const char*(const char*)>& getenv,
                                               const std::function<std::optional<std::string>()>& readLine,
                                               std::string& error);

extern const char* const kSnapUsage;

}  // namespace vk
