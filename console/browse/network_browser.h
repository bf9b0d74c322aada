// iVkNetworkBrowser: what the local network announces, as the browse tree's
// "Microsoft Windows Network" branch shows it: browse domains and the
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

// The browser of a console built without local network discovery: every
// enumeration fails with 50 (not supported) and says so in the log.
std::shared_ptr<iVkNetworkBrowser> VkMakeUnavailableNetworkBrowser();
