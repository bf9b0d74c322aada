// Where the picker's tree finds its objects: the browse lists (this
// computer's workgroup with this computer, then what the local network
// announces through DNS-SD), the accounts of a domain or a
// computer (this computer's through NSS), and the directory through
// DirBridge. Each appends to the collection and answers 0, or logs its
// failure and answers the code with nothing added.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>

#include "common/archive/collection.h"
#include "log/orklog.h"

class cVkDirBridge;
class iVkNetworkBrowser;

namespace vk::picker {

// cVkNT4Domain records: the workgroup, whose accounts this computer
// answers for, then the network's browse domains. Without a discovery
// daemon the workgroup alone, with the reason as a warning in the log.
int32_t EnumerateNT4Domains(cOrkLog& log, cVkCollection& collection, const std::atomic<bool>& cancel);
// cVkNT4Computer records: this computer for the workgroup, the announcing
// hosts for a browse domain.
int32_t EnumerateNT4Computers(cOrkLog& log, std::u16string_view domain, cVkCollection& collection,
                              const std::atomic<bool>& cancel);

// cVkStringData names.
int32_t EnumerateDomainGroups(cOrkLog& log, std::u16string_view domain, cVkCollection& collection);
int32_t EnumerateDomainUsers(cOrkLog& log, std::u16string_view domain, cVkCollection& collection);
int32_t EnumerateGroupUsers(cOrkLog& log, std::u16string_view domain, std::u16string_view group,
                            cVkCollection& collection);
int32_t EnumerateLocalGroups(cOrkLog& log, std::u16string_view computer, cVkCollection& collection);
// Members as "DOMAIN\name".
int32_t EnumerateLocalGroupMembers(cOrkLog& log, std::u16string_view computer, std::u16string_view group,
                                   cVkCollection& collection);

// The local network's browser of the library (DNS-SD unless replaced).
std::shared_ptr<iVkNetworkBrowser> PickerNetworkBrowser();
void SetPickerNetworkBrowser(std::shared_ptr<iVkNetworkBrowser> browser);

// The library's DirBridge binding (loaded once, from the program's folder).
const cVkDirBridge& PickerDirBridge();

}  // namespace vk::picker
