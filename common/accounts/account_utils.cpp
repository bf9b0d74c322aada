#include "common/accounts/account_utils.h"

#include "platform/accounts/account_lookup.h"
#include "platform/core/error_codes.h"

namespace {

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::u16string_view OrEmpty(const std::u16string* text) {
  return text ? std::u16string_view(*text) : std::u16string_view();
}

}  // namespace

int32_t GetAdministratorsSid(cOrkLog& log, vk::Sid* sid) {
  *sid = vk::Sid(5, {32, 544});
  if (!sid->IsValid()) {
    log.LogNetMsg(LOG_ERROR, ERROR_INVALID_SID,
                  u"Error initializing SID to retrieve the administrators group name. Errorcode %ld.",
                  ERROR_INVALID_SID);
    return ERROR_INVALID_SID;
  }
  return 0;
}

int32_t GetOsVersionInfo(cOrkLog& log, vk::OsVersionInfo* info) {
  *info = vk::OsVersionInfo();
  info->osVersionInfoSize = sizeof *info;
  int32_t code = vk::QueryOsVersion(info);
  if (code) log.LogMsg(LOG_ERROR, code, u"Error getting OS version information. Errorcode %ld.", code);
  return code;
}

bool SplitAccountName(std::u16string_view account, std::u16string* domain, std::u16string* user) {
  size_t p = std::u16string_view::npos;
  if (account.size() >= 2 && account.starts_with(u"\\\\")) {
    p = account.find(u'/', 2);
    if (p == std::u16string_view::npos) p = account.find(u'\\', 2);
  } else {
    p = account.find(u'/');
    if (p == std::u16string_view::npos) p = account.find(u'\\');
  }
  if (p == std::u16string_view::npos) {
    domain->clear();
    *user = account;
    return false;
  }
  *domain = account.substr(0, p);
  *user = account.substr(p + 1);
  return true;
}

int32_t GetComputerInfo(cOrkLog& log, const std::u16string* computer, std::u16string* computerName,
                        std::u16string* lanGroup) {
  int32_t code = vk::QueryWorkstationInfo(OrEmpty(computer), computerName, lanGroup);
  if (code) log.LogMsg(LOG_ERROR, code, u"Error getting computer information. Errorcode %ld.", code);
  return code;
}

int32_t GetPrimaryDomainController(cOrkLog& log, std::u16string_view domain, std::u16string* controller) {
  int32_t code = vk::FindDomainController(domain, controller);
  if (code) {
    log.LogMsg(LOG_ERROR, code, u"Error retrieving primary domain controller for domain '%s'. Errorcode %ld.", domain,
               code);
  }
  return code;
}

int32_t LookupNameBySid(cOrkLog& log, const vk::Sid& sid, const std::u16string* computer, std::u16string* domain,
                        std::u16string* name, uint32_t* use) {
  int32_t code = vk::LookupAccountBySid(OrEmpty(computer), sid, domain, name, use);
  if (code) {
    log.LogNetMsg(LOG_ERROR, code, u"Error looking up account name using a SID. Errorcode %ld.", code);
    return code;
  }
  std::u16string computerName, lanGroup;
  if (int32_t infoCode = GetComputerInfo(log, computer, &computerName, &lanGroup)) {
    log.LogMsg(LOG_ERROR, infoCode, u"Error getting the computer information. Errorcode %ld.", infoCode);
    return 0;
  }
  if (SameNameIgnoringCase(*domain, computerName)) *domain = u"\\\\" + *domain;
  return 0;
}

int32_t GetAdministratorsGroupName(cOrkLog& log, const std::u16string* computer, std::u16string* groupName) {
  vk::Sid sid;
  int32_t code = GetAdministratorsSid(log, &sid);
  if (code) {
    log.LogNetMsg(LOG_ERROR, code,
                  u"Error initializing SID to retrieve the local administrators group name. Errorcode %ld.", code);
    return code;
  }
  std::u16string domain;
  uint32_t use = 0;
  code = LookupNameBySid(log, sid, computer, &domain, groupName, &use);
  if (code) {
    log.LogMsg(LOG_ERROR, code,
               u"An error has occurred while retrieving the adminstrators group name. Could not lookup the SID. "
               u"Errorcode %ld.",
               code);
  }
  return code;
}

std::u16string MakeServerName(std::u16string_view name) {
  if (name.empty()) return {};
  if (name.size() > 2 && name.starts_with(u"\\\\")) return std::u16string(name);
  if (name.size() > 2 && name.starts_with(u"\\")) return u"\\" + std::u16string(name);
  return u"\\\\" + std::u16string(name);
}

int32_t GetLookupServer(cOrkLog& log, std::u16string_view domain, std::optional<std::u16string>* server) {
  server->reset();
  if (domain.empty() || SameNameIgnoringCase(domain, u"BUILTIN")) return 0;
  if (domain.starts_with(u"\\\\")) {
    *server = std::u16string(domain);
    return 0;
  }
  std::u16string controller;
  int32_t code = GetPrimaryDomainController(log, domain, &controller);
  if (code == 0) {
    *server = MakeServerName(controller);
    return 0;
  }
  log.LogMsg(LOG_ERROR, code, u"Error looking up primary domain controller for domain '%s'. Errorcode %ld", domain,
             code);
  *server = MakeServerName(domain);
  return 0;
}

int32_t LookupSidByName(cOrkLog& log, std::u16string_view account, vk::Sid* sid, uint32_t* use) {
  std::u16string domainPart, user, referencedDomain;
  SplitAccountName(account, &domainPart, &user);
  int32_t code = vk::LookupAccountByName(u"", account, sid, &referencedDomain, use);
  if (code == 0) return 0;
  std::optional<std::u16string> server;
  GetLookupServer(log, domainPart, &server);
  code = vk::LookupAccountByName(server ? std::u16string_view(*server) : std::u16string_view(), user, sid,
                                 &referencedDomain, use);
  if (code) {
    log.LogNetMsg(LOG_ERROR, code, u"Error looking up SID for '%s'. Errorcode %ld", account, code);
    *sid = vk::Sid();
  }
  return code;
}
