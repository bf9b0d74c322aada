// Users and groups of this computer, as the name service (NSS) knows them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vk {

struct UnixUser {
  std::u16string name;
  uint32_t uid = 0;
  uint32_t gid = 0;  // primary group
};

struct UnixGroup {
  std::u16string name;
  uint32_t gid = 0;
  std::vector<std::u16string> members;  // supplementary members
};

std::optional<UnixUser> FindUserByName(std::u16string_view name);
std::optional<UnixUser> FindUserByUid(uint32_t uid);
std::optional<UnixGroup> FindGroupByName(std::u16string_view name);
std::optional<UnixGroup> FindGroupByGid(uint32_t gid);

// Every user and every group NSS lists, in its order.
std::vector<UnixUser> ListUsers();
std::vector<UnixGroup> ListGroups();

// The user's primary group and every group that lists the user.
std::vector<uint32_t> GroupsOfUser(const UnixUser& user);

// The groups whose members administer this computer.
inline constexpr std::u16string_view kAdministratorGroups[] = {u"sudo", u"wheel", u"admin"};

// True for uid 0 and for members of the administrator groups that exist.
bool IsAdministrator(const UnixUser& user, const std::vector<uint32_t>& groups);

}  // namespace vk
