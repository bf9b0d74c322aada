// What the Avahi browser and announcer share: error codes, TXT records and
// names in the system's form.
#pragma once

#include <avahi-common/strlst.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dnssd/dnssd.h"

namespace vk::dnssd {

// The Win32 code for an Avahi error (0 for AVAHI_OK).
int32_t FromAvahiError(int error);

// TXT entries of a record; entries that are not valid UTF-8 or have an empty
// key are left out.
std::vector<TxtEntry> TxtFromStringList(AvahiStringList* list);
// A string list for the entries (null for none); the caller frees it with
// avahi_string_list_free.
AvahiStringList* StringListFromTxt(const std::vector<TxtEntry>& txt);

// "pc1.local" in domain "local" -> "pc1"; a name outside the domain keeps
// everything but a trailing dot.
std::string HostWithoutDomain(std::string_view host, std::string_view domain);

// A workstation's instance name is "pc1 [00:11:22:33:44:55]": the name
// without the bracketed hardware address.
std::string InstanceHostName(std::string_view instance);

}  // namespace vk::dnssd
