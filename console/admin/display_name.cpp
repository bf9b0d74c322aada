#include "console/admin/display_name.h"

namespace {

// Digits of text[begin, end) as a number; -1 when there are none or another
// character stands among them (a sign included), or it is too large.
int64_t Number(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  if (text.empty() || text.size() > 9) return -1;
  int64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return -1;
    value = value * 10 + (c - u'0');
  }
  return value;
}

}  // namespace

int32_t VkParsePublishedPort(std::u16string_view name, int32_t* port) {
  *port = 0;
  size_t open = name.find(u"((");
  if (open == std::u16string_view::npos) return -1;
  size_t comma = name.find(u',', open + 2);
  if (comma == std::u16string_view::npos) return -1;
  int64_t value = Number(name.substr(open + 2, comma - open - 2));
  if (value < 1 || value > 65535) return -1;
  *port = static_cast<int32_t>(value);
  return 0;
}

int32_t VkParsePublishedBuild(std::u16string_view name, int32_t* build) {
  *build = 0;
  size_t open = name.find(u"((");
  if (open == std::u16string_view::npos) return -1;
  size_t comma = name.find(u',', open + 2);
  if (comma == std::u16string_view::npos) return -1;
  size_t close = name.find(u"))", comma + 1);
  if (close == std::u16string_view::npos) return -1;
  int64_t value = Number(name.substr(comma + 1, close - comma - 1));
  if (value < 1) return -1;
  *build = static_cast<int32_t>(value);
  return 0;
}
