#include "platform/accounts/nss_accounts.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include "platform/core/text.h"

namespace vk {
namespace {

// Buffers for the reentrant lookups grow until the answer fits.
constexpr size_t kFirstBuffer = 1024;
constexpr size_t kLargestBuffer = 1 << 22;

template <class Lookup>
std::optional<UnixUser> FindUser(Lookup lookup) {
  std::vector<char> buffer(kFirstBuffer);
  while (true) {
    struct passwd entry;
    struct passwd* found = nullptr;
    int rc = lookup(&entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE && buffer.size() < kLargestBuffer) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    // A null result is "not found" whatever the answer (some NSS modules say ENOENT).
    if (!found) return std::nullopt;
    return UnixUser{FromUtf8(entry.pw_name), entry.pw_uid, entry.pw_gid};
  }
}

template <class Lookup>
std::optional<UnixGroup> FindGroup(Lookup lookup) {
  std::vector<char> buffer(kFirstBuffer);
  while (true) {
    struct group entry;
    struct group* found = nullptr;
    int rc = lookup(&entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE && buffer.size() < kLargestBuffer) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (!found) return std::nullopt;
    UnixGroup group{FromUtf8(entry.gr_name), entry.gr_gid, {}};
    for (char** member = entry.gr_mem; member && *member; ++member) group.members.push_back(FromUtf8(*member));
    return group;
  }
}

// The enumerations share the process's one NSS position.
std::mutex enumerationLock;

}  // namespace

std::optional<UnixUser> FindUserByName(std::u16string_view name) {
  std::string narrow = ToUtf8(name);
  if (narrow.empty() || narrow.find('\0') != std::string::npos) return std::nullopt;
  return FindUser([&](passwd* e, char* b, size_t n, passwd** r) { return getpwnam_r(narrow.c_str(), e, b, n, r); });
}

std::optional<UnixUser> FindUserByUid(uint32_t uid) {
  return FindUser([&](passwd* e, char* b, size_t n, passwd** r) { return getpwuid_r(uid, e, b, n, r); });
}

std::optional<UnixGroup> FindGroupByName(std::u16string_view name) {
  std::string narrow = ToUtf8(name);
  if (narrow.empty() || narrow.find('\0') != std::string::npos) return std::nullopt;
  return FindGroup([&](group* e, char* b, size_t n, group** r) { return getgrnam_r(narrow.c_str(), e, b, n, r); });
}

std::optional<UnixGroup> FindGroupByGid(uint32_t gid) {
  return FindGroup([&](group* e, char* b, size_t n, group** r) { return getgrgid_r(gid, e, b, n, r); });
}

std::vector<UnixUser> ListUsers() {
  std::lock_guard<std::mutex> hold(enumerationLock);
  std::vector<UnixUser> users;
  setpwent();
  while (auto user = FindUser([](passwd* e, char* b, size_t n, passwd** r) { return getpwent_r(e, b, n, r); }))
    users.push_back(std::move(*user));
  endpwent();
  return users;
}

std::vector<UnixGroup> ListGroups() {
  std::lock_guard<std::mutex> hold(enumerationLock);
  std::vector<UnixGroup> groups;
  setgrent();
  while (auto group =
             FindGroup([](struct group* e, char* b, size_t n, struct group** r) { return getgrent_r(e, b, n, r); }))
    groups.push_back(std::move(*group));
  endgrent();
  return groups;
}

std::vector<uint32_t> GroupsOfUser(const UnixUser& user) {
  std::string name = ToUtf8(user.name);
  int count = 32;
  std::vector<gid_t> gids;
  while (true) {
    gids.resize(static_cast<size_t>(count));
    int asked = count;
    if (getgrouplist(name.c_str(), user.gid, gids.data(), &count) >= 0) break;
    if (count <= asked) count = asked * 2;  // some implementations leave the count alone
    if (count > 65536) return {user.gid};
  }
  gids.resize(static_cast<size_t>(count));
  std::vector<uint32_t> out(gids.begin(), gids.end());
  if (std::find(out.begin(), out.end(), user.gid) == out.end()) out.insert(out.begin(), user.gid);
  return out;
}

bool IsAdministrator(const UnixUser& user, const std::vector<uint32_t>& groups) {
  if (user.uid == 0) return true;
  for (std::u16string_view name : kAdministratorGroups) {
    auto group = FindGroupByName(name);
    if (group && std::find(groups.begin(), groups.end(), group->gid) != groups.end()) return true;
  }
  return false;
}

}  // namespace vk
