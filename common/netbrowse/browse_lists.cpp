#include "common/archive/collection.h"
#include "common/netbrowse/network_browser.h"
#include "common/network/nt4_records.h"
#include "log/orklog.h"

namespace {

// Moves the records of class `Record` and deletes everything else.
template <class Record>
void MoveRecords(cVkCollection& from, cVkCollection& to) {
  for (size_t i = from.GetSize(); i > 0; --i) {
    if (dynamic_cast<Record*>(from.GetAt(i - 1)) == nullptr) delete from.Detach(i - 1);
  }
  while (from.GetSize() > 0) to.Add(from.Detach(0));
}

}  // namespace

int32_t VkEnumerateBrowseDomains(iVkNetworkBrowser& browser, cOrkLog& log, cVkCollection& collection,
                                 const std::atomic<bool>& cancel) {
  cVkCollection found;
  const int32_t rc = browser.EnumerateDomains(log, found, cancel);
  if (rc != 0) {
    log.LogNetMsg(LOG_ERROR, static_cast<uint32_t>(rc), u"Error enumerating NT4 domains. Errorcode %ld.", rc);
    return rc;
  }
  MoveRecords<cVkNT4Domain>(found, collection);
  return 0;
}

int32_t VkEnumerateBrowseComputers(iVkNetworkBrowser& browser, cOrkLog& log, std::u16string_view domain,
                                   cVkCollection& collection, const std::atomic<bool>& cancel) {
  cVkCollection found;
  const int32_t rc = browser.EnumerateComputers(log, domain, found, cancel);
  if (rc != 0) {
    log.LogNetMsg(LOG_ERROR, static_cast<uint32_t>(rc), u"Error enumerating computers in domain '%s'. Errorcode %ld.",
                  domain, rc);
    return rc;
  }
  MoveRecords<cVkNT4Computer>(found, collection);
  return 0;
}
