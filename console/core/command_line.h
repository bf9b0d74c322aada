// The console's command line:
//   deskconsole [--connect HOST[:PORT]] [--user U] [--domain D]
//               [--input-port N] [--password-stdin]
// The password is never taken from the command line itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct VkConsoleOptions {
  std::u16string host;      // empty: no viewer at start
  uint16_t updatePort = 0;  // 0: the record's
  uint16_t inputPort = 0;   // 0: the record's
  std::u16string user;
  std::u16string domain;
  bool passwordFromStdin = false;
};

inline constexpr const char* kVkConsoleUsage =
    "usage: deskconsole [--connect HOST[:PORT]] [--user USER] [--domain DOMAIN]\n"
    "                   [--input-port PORT] [--password-stdin]\n";

// Nothing, with `error` set, for arguments it does not understand.
std::optional<VkConsoleOptions> VkParseConsoleOptions(const std::vector<std::string>& args, std::string& error);
