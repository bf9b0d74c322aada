#include "platform/accounts/account_lookup.h"

#include "platform/accounts/computer_name.h"
#include "platform/accounts/nss_accounts.h"
#include "platform/core/error_codes.h"

namespace vk {
namespace {

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
    if (x != y) return false;
  }
  return true;
}

int32_t Answer(Sid found, std::u16string_view foundDomain, uint32_t foundUse, Sid* sid, std::u16string* domain,
               uint32_t* use) {
  *sid = std::move(found);
  *domain = foundDomain;
  *use = foundUse;
  return 0;
}

// A name of this computer: the alias, a user, or a group.
int32_t LookupLocalName(std::u16string_view name, Sid* sid, std::u16string* domain, uint32_t* use) {
  if (SameName(name, kAdministratorsName))
    return Answer(Sid::Administrators(), kBuiltinDomain, SidTypeAlias, sid, domain, use);
  if (auto user = FindUserByName(name))
    return Answer(Sid::UnixUser(user->uid), LocalComputerName(), SidTypeUser, sid, domain, use);
  if (auto group = FindGroupByName(name))
    return Answer(Sid::UnixGroup(group->gid), LocalComputerName(), SidTypeGroup, sid, domain, use);
  return ERROR_NONE_MAPPED;
}

// A name that NSS keeps with its domain ("CORP\bob", as winbind and SSSD do).
int32_t LookupDomainName(std::u16string_view qualified, std::u16string_view domainPart, Sid* sid,
                         std::u16string* domain, uint32_t* use) {
  if (auto user = FindUserByName(qualified))
    return Answer(Sid::UnixUser(user->uid), domainPart, SidTypeUser, sid, domain, use);
  if (auto group = FindGroupByName(qualified))
    return Answer(Sid::UnixGroup(group->gid), domainPart, SidTypeGroup, sid, domain, use);
  return ERROR_NONE_MAPPED;
}

// The domain part of an NSS name "CORP\bob", or empty.
std::u16string_view DomainOf(const std::u16string& nssName) {
  size_t sep = nssName.find(u'\\');
  return sep == std::u16string::npos ? std::u16string_view() : std::u16string_view(nssName).substr(0, sep);
}

std::u16string_view AfterDomain(const std::u16string& nssName) {
  size_t sep = nssName.find(u'\\');
  return sep == std::u16string::npos ? std::u16string_view(nssName) : std::u16string_view(nssName).substr(sep + 1);
}

void SplitNssName(const std::u16string& nssName, std::u16string* domain, std::u16string* name) {
  std::u16string_view d = DomainOf(nssName);
  *domain = d.empty() ? LocalComputerName() : std::u16string(d);
  *name = AfterDomain(nssName);
}

int32_t FillToken(const UnixUser& user, AccessToken* token) {
  std::vector<uint32_t> groups = GroupsOfUser(user);
  AccessToken built;
  built.userName = user.name;
  built.user = Sid::UnixUser(user.uid);
  for (uint32_t gid : groups) built.groups.push_back(Sid::UnixGroup(gid));
  if (IsAdministrator(user, groups)) built.groups.push_back(Sid::Administrators());
  *token = std::move(built);
  return 0;
}

}  // namespace

int32_t LookupAccountByName(std::u16string_view computer, std::u16string_view account, Sid* sid, std::u16string* domain,
                            uint32_t* use) {
  if (!IsLocalComputer(computer)) return RPC_S_SERVER_UNAVAILABLE;
  size_t sep = account.find(u'\\');
  if (sep == std::u16string_view::npos) return LookupLocalName(account, sid, domain, use);
  std::u16string_view domainPart = account.substr(0, sep);
  std::u16string_view name = account.substr(sep + 1);
  if (name.empty() || name.find(u'\\') != std::u16string_view::npos) return ERROR_NONE_MAPPED;
  if (SameName(domainPart, kBuiltinDomain)) {
    if (!SameName(name, kAdministratorsName)) return ERROR_NONE_MAPPED;
    return Answer(Sid::Administrators(), kBuiltinDomain, SidTypeAlias, sid, domain, use);
  }
  if (domainPart.empty() || domainPart == u"." || IsLocalComputer(domainPart)) {
    if (SameName(name, kAdministratorsName)) return ERROR_NONE_MAPPED;  // the alias is BUILTIN's
    return LookupLocalName(name, sid, domain, use);
  }
  return LookupDomainName(account, domainPart, sid, domain, use);
}

int32_t LookupAccountBySid(std::u16string_view computer, const Sid& sid, std::u16string* domain, std::u16string* name,
                           uint32_t* use) {
  if (!IsLocalComputer(computer)) return RPC_S_SERVER_UNAVAILABLE;
  if (sid == Sid::Administrators()) {
    *domain = kBuiltinDomain;
    *name = kAdministratorsName;
    *use = SidTypeAlias;
    return 0;
  }
  if (auto uid = sid.UnixUid()) {
    auto user = FindUserByUid(*uid);
    if (!user) return ERROR_NONE_MAPPED;
    SplitNssName(user->name, domain, name);
    *use = SidTypeUser;
    return 0;
  }
  if (auto gid = sid.UnixGid()) {
    auto group = FindGroupByGid(*gid);
    if (!group) return ERROR_NONE_MAPPED;
    SplitNssName(group->name, domain, name);
    *use = SidTypeGroup;
    return 0;
  }
  return ERROR_NONE_MAPPED;
}

int32_t BuildTokenForUser(std::u16string_view name, AccessToken* token) {
  auto user = FindUserByName(name);
  if (!user) return ERROR_NONE_MAPPED;
  return FillToken(*user, token);
}

int32_t BuildTokenForUid(uint32_t uid, AccessToken* token) {
  auto user = FindUserByUid(uid);
  if (!user) return ERROR_NONE_MAPPED;
  return FillToken(*user, token);
}

}  // namespace vk
