#include "platform/accounts/computer_name.h"

#include <unistd.h>

#include <algorithm>

#include "platform/core/text.h"

namespace vk {
namespace {

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  return text;
}

}  // namespace

std::u16string LocalComputerName() {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) return u"LOCALHOST";
  std::string name(host);
  name = name.substr(0, name.find('.'));
  return Upper(FromUtf8(name));
}

bool IsLocalComputer(std::u16string_view name) {
  if (name.starts_with(u"\\\\")) name.remove_prefix(2);
  std::u16string upper = Upper(std::u16string(name));
  return upper.empty() || upper == u"." || upper == u"LOCALHOST" || upper == LocalComputerName();
}

}  // namespace vk
