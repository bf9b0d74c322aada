#include "tools/vksnap/options.h"

#include <charconv>

#include "platform/core/text.h"

namespace vk {

const char* const kSnapUsage =
    "usage: vksnap [--host H] [--port P] --user U [--domain D]\n"
    "              [--password-env VAR | --password-stdin]\n"
    "              [--output FILE.png] [--updates N] [--seconds S] [--stats]\n"
    "Connects to a ViewKeeper agent like the console does, assembles its screen\n"
    "and writes it as a PNG after N screen updates or S seconds (defaults 1 and 30).\n"
    "The password is read from the environment variable VAR (default\n"
    "VKSNAP_PASSWORD) or from the first line of standard input. --stats prints\n"
    "the bytes received in all and after the first update.\n";

namespace {

template <class T>
bool ParseNumber(const std::string& text, T max, T& out) {
  unsigned long long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v > max) return false;
  out = static_cast<T>(v);
  return true;
}

}  // namespace

std::optional<cVkSnapOptions> ParseSnapOptions(const std::vector<std::string>& args,
                                               const std::function<const char*(const char*)>& getenv,
                                               const std::function<std::optional<std::string>()>& readLine,
                                               std::string& error) {
  cVkSnapOptions o;
  std::string passwordVariable = "VKSNAP_PASSWORD";
  bool passwordFromStdin = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--password-stdin") {
      passwordFromStdin = true;
      continue;
    }
    if (a == "--stats") {
      o.stats = true;
      continue;
    }
    if (i + 1 >= args.size()) {
      error = "unknown option or missing value: " + a;
      return std::nullopt;
    }
    const std::string& v = args[++i];
    bool ok = true;
    if (a == "--host")
      o.host = v;
    else if (a == "--port")
      ok = ParseNumber<uint16_t>(v, 65535, o.port) && o.port != 0;
    else if (a == "--user")
      o.user = FromUtf8(v);
    else if (a == "--domain")
      o.domain = FromUtf8(v);
    else if (a == "--password-env")
      passwordVariable = v;
    else if (a == "--output")
      o.output = v;
    else if (a == "--updates")
      ok = ParseNumber<uint32_t>(v, 1000000, o.updates);
    else if (a == "--seconds")
      ok = ParseNumber<uint32_t>(v, 86400, o.seconds) && o.seconds != 0;
    else {
      error = "unknown option: " + a;
      return std::nullopt;
    }
    if (!ok) {
      error = "bad value for " + a + ": " + v;
      return std::nullopt;
    }
  }
  if (o.user.empty()) {
    error = "--user is required";
    return std::nullopt;
  }
  if (passwordFromStdin) {
    std::optional<std::string> line = readLine();
    if (!line) {
      error = "no password on standard input";
      return std::nullopt;
    }
    if (!line->empty() && line->back() == '\r') line->pop_back();
    o.password = FromUtf8(*line);
  } else if (const char* p = getenv(passwordVariable.c_str())) {
    o.password = FromUtf8(p);
  }
  return o;
}

}  // namespace vk
