// CollectDomains: the domains of the configured directory, one per naming
// context that names a domain; a context below another is its child.
#include <memory>

#include "common/network/w2k_records.h"
#include "dirbridge/directory.h"
#include "dirbridge/dirbridge.h"
#include "dirbridge/result_buffer.h"
#include "log/orklog.h"
#include "platform/core/text.h"

namespace {

using vk::dirbridge::DomainFromDn;

// Active Directory's configuration, schema and DNS zone partitions are no domains.
bool NamesDomain(const std::string& context, const std::string& domain) {
  if (domain.empty()) return !context.empty();
  std::string first = domain.substr(0, domain.find('.'));
  return !vk::ldap::SameName(first, "DomainDnsZones") && !vk::ldap::SameName(first, "ForestDnsZones");
}

// The closest other domain of which `domain` is a sub-domain; empty for a tree root.
std::string ParentOf(const std::string& domain, const std::vector<std::string>& domains) {
  std::string parent;
  for (const std::string& other : domains) {
    if (other.size() >= domain.size() || domain.size() < other.size() + 1) continue;
    bool below = domain.compare(domain.size() - other.size(), other.size(), other) == 0 &&
                 domain[domain.size() - other.size() - 1] == '.';
    if (below && other.size() > parent.size()) parent = other;
  }
  return parent;
}

}  // namespace

extern "C" int32_t CollectDomains(cOrkLog* log, uint8_t** buffer, uint32_t* length) {
  vk::dirbridge::RegisterRecordClasses();
  *buffer = nullptr;
  *length = 0;
  vk::dirbridge::Directory directory;
  int rc = directory.Open("");
  if (rc == 0) rc = directory.LoadSchema();
  if (rc != 0) {
    int32_t code = vk::dirbridge::LdapCode(rc);
    log->LogAdsiMsg(LOG_ERROR, code, u"Error getting domains. Errorcode %ld.", code);
    return code;
  }
  std::vector<std::string> contexts;
  std::vector<std::string> domains;
  for (const std::string& context : directory.Root().namingContexts) {
    std::string domain = DomainFromDn(context);
    if (!NamesDomain(context, domain)) continue;
    contexts.push_back(context);
    domains.push_back(domain.empty() ? context : domain);
  }
  cVkCollection collection;
  for (size_t i = 0; i < contexts.size(); ++i) {
    collection.Add(new cVkW2KDomain(vk::FromUtf8(domains[i]), vk::FromUtf8(contexts[i]),
                                    vk::FromUtf8(ParentOf(domains[i], domains)), 0));
  }
  return vk::dirbridge::ProduceBuffer(collection, buffer, length);
}
