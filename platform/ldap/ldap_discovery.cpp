#include "platform/ldap/ldap_discovery.h"

#include <arpa/inet.h>
#include <ldap.h>
#include <netinet/in.h>
#include <resolv.h>

#include <sstream>

namespace vk::ldap {

namespace {

// Addresses and single labels name no DNS domain: nothing is asked for them.
bool NamesDomain(const std::string& name) {
  in6_addr address{};
  if (inet_pton(AF_INET, name.c_str(), &address) == 1 || inet_pton(AF_INET6, name.c_str(), &address) == 1) return false;
  return name.find('.') != std::string::npos && name.find_first_of(" /\\:") == std::string::npos;
}

}  // namespace

std::string DiscoverDirectoryUris(std::string_view domain) {
  std::string name(domain);
  if (!NamesDomain(name)) return {};
  char* hosts = nullptr;
  // libldap asks the resolver for the SRV records and orders them.
  if (ldap_domain2hostlist(name.c_str(), &hosts) != LDAP_SUCCESS || hosts == nullptr) return {};
  std::istringstream list(hosts);
  ldap_memfree(hosts);
  std::string uris;
  for (std::string host; list >> host;) {
    if (!uris.empty()) uris += ' ';
    uris += "ldap://" + host + "/";
  }
  return uris;
}

std::string ComputerDnsDomain() {
  struct __res_state state {};
  if (res_ninit(&state) != 0) return {};
  std::string domain = state.defdname;
  if (domain.empty() && state.dnsrch[0] != nullptr) domain = state.dnsrch[0];
  res_nclose(&state);
  while (!domain.empty() && domain.back() == '.') domain.pop_back();
  return domain;
}

}  // namespace vk::ldap
