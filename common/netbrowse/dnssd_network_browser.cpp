#include "common/netbrowse/dnssd_network_browser.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/archive/collection.h"
#include "common/network/nt4_records.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"
#include "platform/dnssd/dnssd.h"

namespace {

// Server-type bits of a browse list.
constexpr uint32_t kTypeWorkstation = 0x1;
constexpr uint32_t kTypeServer = 0x2;
constexpr uint32_t kTypeDomainEnum = 0x80000000;

constexpr char16_t kWorkstationType[] = u"_workstation._tcp";
constexpr char16_t kSshType[] = u"_ssh._tcp";
constexpr char16_t kAgentType[] = u"_viewkeeper._tcp";
// An agent's build as it announces it: a number of at most this many digits.
constexpr size_t kBuildDigits = 9;

std::u16string Lower(std::u16string_view text) {
  std::u16string lower(text);
  for (char16_t& c : lower)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return lower;
}

// The announced build, or empty when the entry is missing or not a number.
std::u16string AgentBuild(const vk::dnssd::DnsSdService& service) {
  const std::u16string* value = vk::dnssd::FindTxt(service, u"build");
  if (value == nullptr || value->empty() || value->size() > kBuildDigits) return {};
  bool digits = std::all_of(value->begin(), value->end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
  return digits ? *value : std::u16string();
}

// One computer, gathered from every service its host announces.
struct cFoundHost {
  std::u16string name;
  uint32_t type = 0;
  bool agent = false;
  std::u16string build;
};

void Merge(std::vector<cFoundHost>& hosts, const vk::dnssd::DnsSdService& service) {
  if (service.host.empty()) return;
  auto host = std::find_if(hosts.begin(), hosts.end(),
                           [&](const cFoundHost& h) { return Lower(h.name) == Lower(service.host); });
  if (host == hosts.end()) {
    cFoundHost added;
    added.name = service.host;
    host = hosts.insert(hosts.end(), std::move(added));
  }
  const std::u16string type = Lower(service.type);
  if (type == kWorkstationType) host->type |= kTypeWorkstation;
  if (type == kSshType) host->type |= kTypeServer;
  if (type == kAgentType) {
    host->type |= kTypeWorkstation;
    host->agent = true;
    if (host->build.empty()) host->build = AgentBuild(service);
  }
}

std::u16string Comment(const cFoundHost& host) {
  if (!host.agent) return {};
  return host.build.empty() ? std::u16string(u"DeskAgent") : u"DeskAgent, build " + host.build;
}

void LogUnavailable(cOrkLog& log, int32_t code) {
  if (code == ERROR_NO_BROWSER_SERVERS_FOUND) {
    log.LogMsg(LOG_ERROR, code, u"No DNS-SD service discovery (avahi-daemon) answers on this computer.");
  }
}

class cVkDnsSdNetworkBrowser final : public iVkNetworkBrowser {
 public:
  explicit cVkDnsSdNetworkBrowser(std::chrono::milliseconds limit) : limit_(limit) {}

  int32_t EnumerateDomains(cOrkLog& log, cVkCollection& domains, const std::atomic<bool>& cancel) override {
    vk::dnssd::DnsSdCancel token;
    token.Watch(&cancel);
    std::vector<std::u16string> found;
    int32_t code = vk::dnssd::BrowseDomains(limit_, &token, &found);
    if (code != 0) {
      LogUnavailable(log, code);
      return code;
    }
    for (std::u16string& name : found) domains.Add(new cVkNT4Domain(std::move(name), 0, 0, kTypeDomainEnum, u""));
    return 0;
  }

  int32_t EnumerateComputers(cOrkLog& log, std::u16string_view domain, cVkCollection& computers,
                             const std::atomic<bool>& cancel) override {
    vk::dnssd::DnsSdCancel token;
    token.Watch(&cancel);
    std::vector<vk::dnssd::DnsSdService> services;
    int32_t code = vk::dnssd::BrowseServices(std::u16string(domain), {kWorkstationType, kSshType, kAgentType}, limit_,
                                             &token, &services);
    if (code != 0) {
      LogUnavailable(log, code);
      return code;
    }
    std::vector<cFoundHost> hosts;
    for (const vk::dnssd::DnsSdService& service : services) Merge(hosts, service);
    for (const cFoundHost& host : hosts) computers.Add(new cVkNT4Computer(host.name, 0, 0, host.type, Comment(host)));
    return 0;
  }

 private:
  const std::chrono::milliseconds limit_;
};

}  // namespace

std::shared_ptr<iVkNetworkBrowser> VkMakeDnsSdNetworkBrowser(std::chrono::milliseconds limit) {
  return std::make_shared<cVkDnsSdNetworkBrowser>(limit);
}
