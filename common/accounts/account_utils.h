// Account and domain utilities: the built-in Administrators alias, name and
// SID lookups that fall back to a domain controller, domain controllers,
// computer information and the operating-system version.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "log/orklog.h"
#include "platform/accounts/host_info.h"
#include "platform/security/sid.h"

// The SID of the built-in Administrators alias, S-1-5-32-544.
int32_t GetAdministratorsSid(cOrkLog& log, vk::Sid* sid);

// Clears the record, sets its size to 276 and fills it.
int32_t GetOsVersionInfo(cOrkLog& log, vk::OsVersionInfo* info);

// "CORP\bob" -> CORP, bob; "\\PC7\admin" -> \\PC7, admin; "bob" -> "", bob (false).
bool SplitAccountName(std::u16string_view account, std::u16string* domain, std::u16string* user);

// computer null: this one.
int32_t GetComputerInfo(cOrkLog& log, const std::u16string* computer, std::u16string* computerName,
                        std::u16string* lanGroup);

// The controller's name comes with its leading "\\".
int32_t GetPrimaryDomainController(cOrkLog& log, std::u16string_view domain, std::u16string* controller);

// computer null: this one. A local account's domain reads "\\" and the computer name.
int32_t LookupNameBySid(cOrkLog& log, const vk::Sid& sid, const std::u16string* computer, std::u16string* domain,
                        std::u16string* name, uint32_t* use);

// The name of the Administrators alias on a computer (null: this one), without its domain.
int32_t GetAdministratorsGroupName(cOrkLog& log, const std::u16string* computer, std::u16string* groupName);

// The server that knows a domain's accounts; none for this computer.
int32_t GetLookupServer(cOrkLog& log, std::u16string_view domain, std::optional<std::u16string>* server);

// "PC1" -> "\\PC1", "\PC1" -> "\\PC1", "\\PC1" stays, "" stays.
std::u16string MakeServerName(std::u16string_view name);

// Asks this computer for the whole name, then the domain's server for the user part.
int32_t LookupSidByName(cOrkLog& log, std::u16string_view account, vk::Sid* sid, uint32_t* use);
