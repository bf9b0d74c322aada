// Browse domains and service instances through the Avahi daemon.
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>

#include <algorithm>
#include <string>

#include "platform/core/error_codes.h"
#include "platform/core/text.h"
#include "platform/dnssd/avahi_support.h"
#include "platform/dnssd/bounded_lookup.h"
#include "platform/dnssd/dnssd.h"

namespace vk::dnssd {
namespace {

std::u16string Lower(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return text;
}

bool SameName(const std::u16string& a, const std::u16string& b) { return Lower(a) == Lower(b); }

// ---- domains

struct cDomainSearch {
  cVkBoundedLookup* lookup;
  std::vector<std::u16string>* domains;
  bool allForNow = false;
};

void AddDomainOnce(std::vector<std::u16string>* domains, std::u16string name) {
  while (!name.empty() && name.back() == u'.') name.pop_back();
  if (name.empty()) return;
  for (const std::u16string& known : *domains)
    if (SameName(known, name)) return;
  domains->push_back(std::move(name));
}

void OnDomain(AvahiDomainBrowser*, AvahiIfIndex, AvahiProtocol, AvahiBrowserEvent event, const char* domain,
              AvahiLookupResultFlags, void* context) {
  auto* search = static_cast<cDomainSearch*>(context);
  if (event == AVAHI_BROWSER_NEW && domain != nullptr) AddDomainOnce(search->domains, vk::FromUtf8(domain));
  search->lookup->BrowserEvent(event, &search->allForNow);
}

// ---- services

struct cServiceSearch;

struct cTypeBrowse {
  cServiceSearch* search;
  bool allForNow = false;
};

struct cPendingResolve {
  cServiceSearch* search;
  size_t index;  // into the search's services
};

struct cServiceSearch {
  cVkBoundedLookup* lookup;
  std::string domain;
  std::vector<DnsSdService>* services;
  std::vector<std::unique_ptr<cPendingResolve>> resolves;
};

bool Known(const std::vector<DnsSdService>& services, const DnsSdService& found) {
  return std::any_of(services.begin(), services.end(), [&](const DnsSdService& s) {
    return s.instance == found.instance && SameName(s.type, found.type) && SameName(s.domain, found.domain);
  });
}

void OnResolved(AvahiServiceResolver* resolver, AvahiIfIndex, AvahiProtocol, AvahiResolverEvent event, const char*,
                const char*, const char* domain, const char* host, const AvahiAddress*, uint16_t port,
                AvahiStringList* txt, AvahiLookupResultFlags, void* context) {
  auto* pending = static_cast<cPendingResolve*>(context);
  if (event == AVAHI_RESOLVER_FOUND && pending->index < pending->search->services->size()) {
    DnsSdService& service = (*pending->search->services)[pending->index];
    if (host != nullptr && *host != '\0') {
      service.host = vk::FromUtf8(HostWithoutDomain(host, domain != nullptr ? domain : pending->search->domain));
    }
    service.port = port;
    service.txt = TxtFromStringList(txt);
  }
  // A failed resolution keeps the instance with its name as the host.
  avahi_service_resolver_free(resolver);
  pending->search->lookup->EndStep();
}

void Resolve(cServiceSearch* search, AvahiIfIndex interface, AvahiProtocol protocol, const char* name, const char* type,
             const char* domain) {
  auto pending = std::make_unique<cPendingResolve>(cPendingResolve{search, search->services->size() - 1});
  // Names only: the addresses are not asked for, so a host without an
  // address record resolves as well.
  if (avahi_service_resolver_new(search->lookup->Client(), interface, protocol, name, type, domain, AVAHI_PROTO_UNSPEC,
                                 AVAHI_LOOKUP_NO_ADDRESS, OnResolved, pending.get()) == nullptr) {
    return;
  }
  search->lookup->BeginStep();
  search->resolves.push_back(std::move(pending));
}

void OnService(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol, AvahiBrowserEvent event,
               const char* name, const char* type, const char* domain, AvahiLookupResultFlags, void* context) {
  auto* browse = static_cast<cTypeBrowse*>(context);
  cServiceSearch* search = browse->search;
  search->lookup->BrowserEvent(event, &browse->allForNow);
  if (event != AVAHI_BROWSER_NEW || name == nullptr || type == nullptr || domain == nullptr) return;
  DnsSdService found;
  found.instance = vk::FromUtf8(name);
  found.type = vk::FromUtf8(type);
  found.domain = vk::FromUtf8(HostWithoutDomain(domain, ""));
  found.host = vk::FromUtf8(InstanceHostName(name));
  if (Known(*search->services, found)) return;
  search->services->push_back(std::move(found));
  Resolve(search, interface, protocol, name, type, domain);
}

}  // namespace

int32_t BrowseDomains(std::chrono::milliseconds limit, DnsSdCancel* cancel, std::vector<std::u16string>* domains) {
  domains->clear();
  if (cancel != nullptr && cancel->Cancelled()) return ERROR_CANCELLED;
  // What the callbacks write to outlives the client (freed with `lookup`).
  std::vector<std::u16string> found{kDefaultDomain};
  cDomainSearch search{nullptr, &found};
  cVkBoundedLookup lookup(limit, cancel);
  search.lookup = &lookup;
  int32_t code = lookup.Connect();
  if (code != 0) return code;
  AvahiDomainBrowser* browser =
      avahi_domain_browser_new(lookup.Client(), AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, nullptr,
                               AVAHI_DOMAIN_BROWSER_BROWSE, AvahiLookupFlags(0), OnDomain, &search);
  if (browser == nullptr) return FromAvahiError(avahi_client_errno(lookup.Client()));
  lookup.BeginStep();
  code = lookup.Run();
  if (code == 0) *domains = std::move(found);
  return code;
}

int32_t BrowseServices(const std::u16string& domain, const std::vector<std::u16string>& types,
                       std::chrono::milliseconds limit, DnsSdCancel* cancel, std::vector<DnsSdService>* services) {
  services->clear();
  if (cancel != nullptr && cancel->Cancelled()) return ERROR_CANCELLED;
  // What the callbacks write to outlives the client (freed with `lookup`).
  std::vector<DnsSdService> found;
  cServiceSearch search{nullptr, vk::ToUtf8(domain), &found, {}};
  std::vector<std::unique_ptr<cTypeBrowse>> browses;
  cVkBoundedLookup lookup(limit, cancel);
  search.lookup = &lookup;
  int32_t code = lookup.Connect();
  if (code != 0) return code;
  for (const std::u16string& type : types) {
    auto browse = std::make_unique<cTypeBrowse>(cTypeBrowse{&search});
    std::string typeName = vk::ToUtf8(type);
    if (avahi_service_browser_new(lookup.Client(), AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, typeName.c_str(),
                                  search.domain.empty() ? nullptr : search.domain.c_str(), AvahiLookupFlags(0),
                                  OnService, browse.get()) == nullptr) {
      return FromAvahiError(avahi_client_errno(lookup.Client()));
    }
    lookup.BeginStep();
    browses.push_back(std::move(browse));
  }
  code = lookup.Run();
  if (code == 0) *services = std::move(found);
  return code;
}

}  // namespace vk::dnssd
