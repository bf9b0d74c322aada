// Where the picker's tree finds its objects: the browse lists (this
// computer's workgroup and this computer), the accounts of a domain or a
// computer (this computer's through NSS), and the directory through
// DirBridge. Each appends to the collection and answers 0, or logs its
// failure and answers the code with nothing added.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/archive/collection.h"
#include "log/orklog.h"

class cVkDirBridge;

namespace vk::picker {

// cVkNT4Domain records.
int32_t EnumerateNT4Domains(cOrkLog& log, cVkCollection& collection);
// cVkNT4Computer records.
int32_t EnumerateNT4Computers(cOrkLog& log, std::u16string_view domain, cVkCollection& collection);

// cVkStringData names.
int32_t EnumerateDomainGroups(cOrkLog& log, std::u16string_view domain, cVkCollection& collection);
int32_t EnumerateDomainUsers(cOrkLog& log, std::u16string_view domain, cVkCollection& collection);
int32_t EnumerateGroupUsers(cOrkLog& log, std::u16string_view domain, std::u16string_view group,
                            cVkCollection& collection);
int32_t EnumerateLocalGroups(cOrkLog& log, std::u16string_view computer, cVkCollection& collection);
// Members as "DOMAIN\name".
int32_t EnumerateLocalGroupMembers(cOrkLog& log, std::u16string_view computer, std::u16string_view group,
                                   cVkCollection& collection);

// The library's DirBridge binding (loaded once, from the program's folder).
const cVkDirBridge& PickerDirBridge();

}  // namespace vk::picker
