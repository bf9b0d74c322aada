#include "console/core/command_line.h"

#include <charconv>

#include "platform/core/text.h"

namespace {

bool ParsePort(const std::string& text, uint16_t* port) {
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535) return false;
  *port = static_cast<uint16_t>(value);
  return true;
}

bool ParseHost(const std::string& text, VkConsoleOptions& options) {
  const size_t colon = text.rfind(':');
  std::string host = text.substr(0, colon);
  if (colon != std::string::npos && !ParsePort(text.substr(colon + 1), &options.updatePort)) return false;
  if (host.empty()) return false;
  options.host = vk::FromUtf8(host);
  return true;
}

}  // namespace

std::optional<VkConsoleOptions> VkParseConsoleOptions(const std::vector<std::string>& args, std::string& error) {
  VkConsoleOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--password-stdin") {
      options.passwordFromStdin = true;
      continue;
    }
    if (arg == "--password") {
      error = "the password is not taken from the command line; use --password-stdin";
      return std::nullopt;
    }
    const bool takesValue = arg == "--connect" || arg == "--user" || arg == "--domain" || arg == "--input-port";
    if (!takesValue) {
      error = "unknown argument '" + arg + "'";
      return std::nullopt;
    }
    if (i + 1 >= args.size()) {
      error = arg + " needs a value";
      return std::nullopt;
    }
    const std::string& value = args[++i];
    bool ok = true;
    if (arg == "--connect")
      ok = ParseHost(value, options);
    else if (arg == "--user")
      options.user = vk::FromUtf8(value);
    else if (arg == "--domain")
      options.domain = vk::FromUtf8(value);
    else
      ok = ParsePort(value, &options.inputPort);
    if (!ok) {
      error = "bad value '" + value + "' for " + arg;
      return std::nullopt;
    }
  }
  return options;
}
