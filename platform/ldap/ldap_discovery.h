// Where a domain's directory servers are: the DNS SRV records
// "_ldap._tcp.<domain>" (RFC 2782 order: priority, then weight), and the
// DNS domain of this computer (the resolver's own domain or first search
// domain), for when ldap.conf names no directory.
#pragma once

#include <string>
#include <string_view>

namespace vk::ldap {

// "ldap://host:port/" for each server the records name, separated by
// blanks (as ldap_initialize takes a list); empty when there are none, and
// for addresses and single labels, which are not looked up.
std::string DiscoverDirectoryUris(std::string_view domain);

// The computer's DNS domain ("corp.example"), empty when it has none.
std::string ComputerDnsDomain();

}  // namespace vk::ldap
