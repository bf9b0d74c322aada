#include "platform/dnssd/avahi_support.h"

#include <avahi-common/error.h>

#include "platform/core/error_codes.h"
#include "platform/core/text.h"

namespace vk::dnssd {
namespace {

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) {
  if (end.size() > text.size()) return false;
  std::string_view tail = text.substr(text.size() - end.size());
  for (size_t i = 0; i < end.size(); ++i) {
    char a = tail[i], b = end[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

// Whether the bytes are UTF-8 that converts back unchanged.
bool IsUtf8(std::string_view bytes) { return vk::ToUtf8(vk::FromUtf8(bytes)) == bytes; }

}  // namespace

int32_t FromAvahiError(int error) {
  switch (error) {
    case AVAHI_OK:
      return 0;
    case AVAHI_ERR_NO_MEMORY:
      return ERROR_NOT_ENOUGH_MEMORY;
    case AVAHI_ERR_TIMEOUT:
      return ERROR_TIMEOUT;
    case AVAHI_ERR_ACCESS_DENIED:
    case AVAHI_ERR_NOT_PERMITTED:
      return ERROR_ACCESS_DENIED;
    case AVAHI_ERR_INVALID_HOST_NAME:
    case AVAHI_ERR_INVALID_DOMAIN_NAME:
    case AVAHI_ERR_INVALID_SERVICE_NAME:
    case AVAHI_ERR_INVALID_SERVICE_TYPE:
    case AVAHI_ERR_INVALID_PORT:
    case AVAHI_ERR_INVALID_RECORD:
    case AVAHI_ERR_INVALID_ARGUMENT:
      return ERROR_INVALID_PARAMETER;
    case AVAHI_ERR_NOT_SUPPORTED:
      return ERROR_NOT_SUPPORTED;
    default:
      // No daemon, no bus, a daemon that went away or failed: the browse
      // list is not available.
      return ERROR_NO_BROWSER_SERVERS_FOUND;
  }
}

const std::u16string* FindTxt(const DnsSdService& service, std::u16string_view key) {
  for (const TxtEntry& entry : service.txt)
    if (entry.first == key) return &entry.second;
  return nullptr;
}

std::vector<TxtEntry> TxtFromStringList(AvahiStringList* list) {
  std::vector<TxtEntry> entries;
  for (AvahiStringList* item = list; item != nullptr; item = avahi_string_list_get_next(item)) {
    std::string_view text(reinterpret_cast<const char*>(avahi_string_list_get_text(item)),
                          avahi_string_list_get_size(item));
    size_t equals = text.find('=');
    std::string_view key = text.substr(0, equals);
    std::string_view value = equals == std::string_view::npos ? std::string_view() : text.substr(equals + 1);
    if (key.empty() || !IsUtf8(key) || !IsUtf8(value)) continue;
    entries.emplace_back(vk::FromUtf8(key), vk::FromUtf8(value));
  }
  return entries;
}

AvahiStringList* StringListFromTxt(const std::vector<TxtEntry>& txt) {
  AvahiStringList* list = nullptr;
  for (const TxtEntry& entry : txt) {
    std::string key = vk::ToUtf8(entry.first);
    std::string value = vk::ToUtf8(entry.second);
    list = avahi_string_list_add_pair_arbitrary(list, key.c_str(), reinterpret_cast<const uint8_t*>(value.data()),
                                                value.size());
  }
  return list;
}

std::string HostWithoutDomain(std::string_view host, std::string_view domain) {
  if (!host.empty() && host.back() == '.') host.remove_suffix(1);
  if (!domain.empty() && domain.back() == '.') domain.remove_suffix(1);
  if (!domain.empty() && host.size() > domain.size() + 1 && EndsWithIgnoringCase(host, domain) &&
      host[host.size() - domain.size() - 1] == '.') {
    host.remove_suffix(domain.size() + 1);
  }
  return std::string(host);
}

std::string InstanceHostName(std::string_view instance) {
  size_t bracket = instance.rfind(" [");
  if (bracket != std::string_view::npos && !instance.empty() && instance.back() == ']')
    instance = instance.substr(0, bracket);
  return std::string(instance);
}

}  // namespace vk::dnssd
