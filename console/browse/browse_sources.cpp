#include "console/browse/browse_sources.h"

#include <mutex>

#include "common/archive/collection.h"
#include "common/network/nt4_records.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"

namespace {

std::mutex sourcesLock;
cVkBrowseSources& Sources() {
  static cVkBrowseSources sources;
  return sources;
}

class cVkUnavailableNetworkBrowser : public iVkNetworkBrowser {
 public:
  int32_t EnumerateDomains(cOrkLog& log, cVkCollection&, const std::atomic<bool>&) override { return Refuse(log); }
  int32_t EnumerateComputers(cOrkLog& log, std::u16string_view, cVkCollection&, const std::atomic<bool>&) override {
    return Refuse(log);
  }

 private:
  static int32_t Refuse(cOrkLog& log) {
    log.LogMsg(LOG_ERROR, ERROR_NOT_SUPPORTED,
               u"Browsing the local network is not available in this version of DeskConsole. Errorcode %ld.",
               ERROR_NOT_SUPPORTED);
    return ERROR_NOT_SUPPORTED;
  }
};

std::shared_ptr<iVkNetworkBrowser> NetworkBrowser() {
  std::shared_ptr<iVkNetworkBrowser> browser = VkBrowseSources().network;
  return browser ? browser : VkMakeUnavailableNetworkBrowser();
}

}  // namespace

std::shared_ptr<iVkNetworkBrowser> VkMakeUnavailableNetworkBrowser() {
  return std::make_shared<cVkUnavailableNetworkBrowser>();
}

void VkSetBrowseSources(cVkBrowseSources sources) {
  std::lock_guard guard(sourcesLock);
  Sources() = std::move(sources);
}

cVkBrowseSources VkBrowseSources() {
  std::lock_guard guard(sourcesLock);
  return Sources();
}

int32_t EnumerateNT4Domains(cOrkLog& log, cVkCollection& collection, const std::atomic<bool>& cancel) {
  return VkEnumerateBrowseDomains(*NetworkBrowser(), log, collection, cancel);
}

int32_t EnumerateNT4Computers(cOrkLog& log, std::u16string_view domain, cVkCollection& collection,
                              const std::atomic<bool>& cancel) {
  return VkEnumerateBrowseComputers(*NetworkBrowser(), log, domain, collection, cancel);
}
