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

// Keeps only records of the expected class: a browser's answer is outside data.
template <class Record>
void MoveRecords(cVkCollection& from, cVkCollection& to) {
  for (size_t i = from.GetSize(); i > 0; --i) {
    if (dynamic_cast<Record*>(from.GetAt(i - 1)) == nullptr) delete from.Detach(i - 1);
  }
  while (from.GetSize() > 0) to.Add(from.Detach(0));
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
  cVkCollection found;
  const int32_t rc = NetworkBrowser()->EnumerateDomains(log, found, cancel);
  if (rc != 0) {
    log.LogNetMsg(LOG_ERROR, static_cast<uint32_t>(rc), u"Error enumerating NT4 domains. Errorcode %ld.", rc);
    return rc;
  }
  MoveRecords<cVkNT4Domain>(found, collection);
  return 0;
}

int32_t EnumerateNT4Computers(cOrkLog& log, std::u16string_view domain, cVkCollection& collection,
                              const std::atomic<bool>& cancel) {
  cVkCollection found;
  const int32_t rc = NetworkBrowser()->EnumerateComputers(log, domain, found, cancel);
  if (rc != 0) {
    log.LogNetMsg(LOG_ERROR, static_cast<uint32_t>(rc), u"Error enumerating computers in domain '%s'. Errorcode %ld.",
                  domain, rc);
    return rc;
  }
  MoveRecords<cVkNT4Computer>(found, collection);
  return 0;
}
