#include "log/log_file_lines.h"

#include "log/format.h"
#include "platform/core/clock.h"

namespace vk {
namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::u16string Widen(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::string SessionLine(std::u16string_view what, int64_t now) {
  const std::u16string time = Widen(FormatLocalTime(now, "%H:%M:%S"));
  const std::u16string date = Widen(FormatLocalTime(now, "%m/%d/%y"));
  return ToLogFileBytes(Format(u"Log session %s at %s, %s.\n", what, time, date));
}

}  // namespace

std::string ToLogFileBytes(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\n') {
      bytes += "\r\n";
    } else if (c <= 0xFF) {
      bytes += static_cast<char>(c);
    } else {
      // One "?" per character: a surrogate pair is one character.
      if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
      bytes += '?';
    }
  }
  return bytes;
}

std::string LogSessionStartLine(int64_t now) { return SessionLine(u"started", now); }

std::string LogSessionEndLine(int64_t now) { return SessionLine(u"ended", now) + "\r\n\r\n"; }

std::string LogMessageLine(int64_t time, std::u16string_view text, int32_t code) {
  const std::u16string stamp = Widen(FormatLocalTime(time, "%H:%M:%S %m/%d/%Y"));
  if (code != 0) return ToLogFileBytes(Format(u"%s %s (%ld)\n", stamp, text, code));
  return ToLogFileBytes(Format(u"%s %s\n", stamp, text));
}

}  // namespace vk
