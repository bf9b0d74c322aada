// iVkNetworkBrowser: what the local network announces, as the browse trees'
// "Microsoft Windows Network" branches show it: browse domains and the
// computers in each. A realisation appends cVkNT4Domain / cVkNT4Computer
// records (at least the name), logs its failures and answers 0 or an error
// code. It runs in a collection's worker thread and should return soon once
// `cancel` becomes true (what it found until then is dropped).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>

class cOrkLog;
class cVkCollection;

class iVkNetworkBrowser {
 public:
  virtual ~iVkNetworkBrowser() = default;
  virtual int32_t EnumerateDomains(cOrkLog& log, cVkCollection& domains, const std::atomic<bool>& cancel) = 0;
  virtual int32_t EnumerateComputers(cOrkLog& log, std::u16string_view domain, cVkCollection& computers,
                                     const std::atomic<bool>& cancel) = 0;
};

// The browse-list enumerations of a tree over `browser`: 0 with the records
// appended (only records of the expected class: a browser's answer is
// outside data), or the browser's code after "Error enumerating ..." in the
// log with nothing appended.
int32_t VkEnumerateBrowseDomains(iVkNetworkBrowser& browser, cOrkLog& log, cVkCollection& collection,
                                 const std::atomic<bool>& cancel);
int32_t VkEnumerateBrowseComputers(iVkNetworkBrowser& browser, cOrkLog& log, std::u16string_view domain,
                                   cVkCollection& collection, const std::atomic<bool>& cancel);
