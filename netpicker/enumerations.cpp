#include "netpicker/enumerations.h"

#include <algorithm>
#include <mutex>
#include <optional>

#include "common/accounts/account_utils.h"
#include "common/archive/string_data.h"
#include "common/netbrowse/dnssd_network_browser.h"
#include "common/network/nt4_records.h"
#include "dirbridge/binding/dirbridge_binding.h"
#include "platform/accounts/account_lookup.h"
#include "platform/accounts/computer_name.h"
#include "platform/accounts/host_info.h"
#include "platform/accounts/nss_accounts.h"
#include "platform/core/error_codes.h"

namespace vk::picker {

namespace {

// Accounts below this id belong to the system, not to people.
constexpr uint32_t kFirstNormalId = 1000;
constexpr uint32_t kNobodyId = 65534;
constexpr uint32_t kDomainEnumType = 0x80000000u;
constexpr uint32_t kWorkstationAndServer = 3;

bool IsNormalId(uint32_t id) { return id >= kFirstNormalId && id != kNobodyId; }

bool SameText(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
           auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

std::u16string_view WithoutServerPrefix(std::u16string_view name) {
  while (name.starts_with(u'\\')) name.remove_prefix(1);
  return name;
}

// A workgroup has no controller: each member answers for its own accounts,
// so this computer serves its own name and its workgroup's.
bool ServedHere(std::u16string_view serverOrDomain) {
  std::u16string_view name = WithoutServerPrefix(serverOrDomain);
  return IsLocalComputer(name) || SameText(name, ReadWorkgroup());
}

// The server asked for a domain's accounts; ERROR_BAD_NETPATH when it is
// another computer, which cannot be asked from here.
int32_t DomainServer(cOrkLog& log, std::u16string_view domain) {
  std::optional<std::u16string> server;
  GetLookupServer(log, domain, &server);
  if (!server || ServedHere(*server) || ServedHere(domain)) return 0;
  return ERROR_BAD_NETPATH;
}

void AddNames(const std::vector<std::u16string>& names, cVkCollection& collection) {
  for (const std::u16string& name : names) collection.Add(new cVkStringData(name));
}

// The users whose primary group is `group`, then its listed members.
std::vector<std::u16string> MembersOf(const UnixGroup& group, const std::vector<UnixUser>& users) {
  std::vector<std::u16string> members;
  for (const UnixUser& user : users)
    if (user.gid == group.gid) members.push_back(user.name);
  for (const std::u16string& member : group.members)
    if (std::find(members.begin(), members.end(), member) == members.end()) members.push_back(member);
  return members;
}

std::optional<UnixGroup> GroupNamed(std::u16string_view name) {
  for (UnixGroup& group : ListGroups())
    if (group.name == name) return group;
  return std::nullopt;
}

// Members of the Administrators alias: root and the administrator groups' members.
std::vector<std::u16string> AdministratorMembers(const std::vector<UnixUser>& users) {
  std::vector<std::u16string> members;
  for (const UnixUser& user : users)
    if (IsAdministrator(user, GroupsOfUser(user))) members.push_back(user.name);
  return members;
}

// A local member's "DOMAIN\name"; names that carry a domain keep it.
std::u16string QualifiedMember(const std::u16string& member, const std::u16string& computer) {
  return member.find(u'\\') != std::u16string::npos ? member : computer + u"\\" + member;
}

bool IsWorkgroup(std::u16string_view domain) { return SameText(domain, ReadWorkgroup()); }

std::mutex browserLock;
std::shared_ptr<iVkNetworkBrowser>& Browser() {
  static std::shared_ptr<iVkNetworkBrowser> browser = VkMakeDnsSdNetworkBrowser();
  return browser;
}

}  // namespace

std::shared_ptr<iVkNetworkBrowser> PickerNetworkBrowser() {
  std::lock_guard guard(browserLock);
  return Browser();
}

void SetPickerNetworkBrowser(std::shared_ptr<iVkNetworkBrowser> browser) {
  std::lock_guard guard(browserLock);
  Browser() = std::move(browser);
}

const cVkDirBridge& PickerDirBridge() {
  static cVkDirBridge binding;
  static const bool loaded = [] {
    cOrkLog log;
    binding.LoadDirBridge(log);
    return true;
  }();
  (void)loaded;
  return binding;
}

int32_t EnumerateNT4Domains(cOrkLog& log, cVkCollection& collection, const std::atomic<bool>& cancel) {
  const std::u16string workgroup = ReadWorkgroup();
  cOrkLog browsing;
  browsing.SetMemLogMask(LOG_ALL);
  cVkCollection announced;
  const int32_t rc = VkEnumerateBrowseDomains(*PickerNetworkBrowser(), browsing, announced, cancel);
  if (rc == ERROR_CANCELLED) return rc;
  collection.Add(new cVkNT4Domain(workgroup, 0, 0, kDomainEnumType, LocalComputerName()));
  if (rc != 0) {
    // The workgroup's accounts can still be picked: the failure is a warning.
    for (const cOrkLogMessage& message : browsing.GetMessages())
      log.LogMsg(LOG_WARNING, message.code, u"%s", message.text);
    return 0;
  }
  while (announced.GetSize() > 0) {
    std::unique_ptr<cVkObject> domain(announced.Detach(0));
    if (!IsWorkgroup(static_cast<cVkNT4Domain*>(domain.get())->name)) collection.Add(domain.release());
  }
  return 0;
}

int32_t EnumerateNT4Computers(cOrkLog& log, std::u16string_view domain, cVkCollection& collection,
                              const std::atomic<bool>& cancel) {
  if (!IsWorkgroup(domain)) return VkEnumerateBrowseComputers(*PickerNetworkBrowser(), log, domain, collection, cancel);
  collection.Add(new cVkNT4Computer(LocalComputerName(), 0, 0, kWorkstationAndServer, u""));
  return 0;
}

int32_t EnumerateDomainGroups(cOrkLog& log, std::u16string_view domain, cVkCollection& collection) {
  if (int32_t code = DomainServer(log, domain)) {
    log.LogNetMsg(LOG_ERROR, code, u"Error enumerating groups in domain '%s'. Errorcode %ld.", domain, code);
    return code;
  }
  std::vector<std::u16string> names;
  for (const UnixGroup& group : ListGroups())
    if (IsNormalId(group.gid)) names.push_back(group.name);
  AddNames(names, collection);
  return 0;
}

int32_t EnumerateDomainUsers(cOrkLog& log, std::u16string_view domain, cVkCollection& collection) {
  if (int32_t code = DomainServer(log, domain)) {
    log.LogNetMsg(LOG_ERROR, code, u"Error enumerating users in domain '%s'. Errorcode %ld.", domain, code);
    return code;
  }
  std::vector<std::u16string> names;
  for (const UnixUser& user : ListUsers())
    if (IsNormalId(user.uid)) names.push_back(user.name);
  AddNames(names, collection);
  return 0;
}

int32_t EnumerateGroupUsers(cOrkLog& log, std::u16string_view domain, std::u16string_view group,
                            cVkCollection& collection) {
  int32_t code = DomainServer(log, domain);
  std::optional<UnixGroup> found = code == 0 ? GroupNamed(group) : std::nullopt;
  if (code == 0 && !found) code = NERR_GroupNotFound;
  if (code != 0) {
    log.LogNetMsg(LOG_ERROR, code, u"Error enumerating users from global group '%s' in domain '%s'. Errorcode %ld.",
                  group, domain, code);
    return code;
  }
  AddNames(MembersOf(*found, ListUsers()), collection);
  return 0;
}

int32_t EnumerateLocalGroups(cOrkLog& log, std::u16string_view computer, cVkCollection& collection) {
  if (!IsLocalComputer(WithoutServerPrefix(computer))) {
    const int32_t code = ERROR_BAD_NETPATH;
    log.LogNetMsg(LOG_ERROR, code, u"Error enumerating local groups on computer'%s'. Errorcode %ld.", computer, code);
    return code;
  }
  std::vector<std::u16string> names{std::u16string(kAdministratorsName)};
  for (const UnixGroup& group : ListGroups()) names.push_back(group.name);
  AddNames(names, collection);
  return 0;
}

int32_t EnumerateLocalGroupMembers(cOrkLog& log, std::u16string_view computer, std::u16string_view group,
                                   cVkCollection& collection) {
  int32_t code = IsLocalComputer(WithoutServerPrefix(computer)) ? 0 : ERROR_BAD_NETPATH;
  std::vector<UnixUser> users = code == 0 ? ListUsers() : std::vector<UnixUser>();
  std::vector<std::u16string> members;
  if (code == 0 && SameText(group, kAdministratorsName)) {
    members = AdministratorMembers(users);
  } else if (code == 0) {
    std::optional<UnixGroup> found = GroupNamed(group);
    if (found)
      members = MembersOf(*found, users);
    else
      code = NERR_GroupNotFound;
  }
  if (code != 0) {
    log.LogNetMsg(LOG_ERROR, code, u"Error enumerating members of local group '%s' on computer'%s'. Errorcode %ld.",
                  group, computer, code);
    return code;
  }
  const std::u16string computerName = LocalComputerName();
  for (const std::u16string& member : members) collection.Add(new cVkStringData(QualifiedMember(member, computerName)));
  return 0;
}

}  // namespace vk::picker
