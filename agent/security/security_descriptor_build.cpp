// Building the descriptor from the lists, and the access checks against it.
#include <utility>

#include "agent/security/agent_security.h"
#include "common/accounts/account_utils.h"
#include "platform/core/error_codes.h"
#include "platform/security/security_descriptor.h"

namespace {

struct EntryDescription {
  const std::u16string* name;
  uint32_t mask;
};

int32_t FailBuild(cOrkLog& log, int32_t code) {
  log.LogMsg(LOG_ERROR, code, u"Error creating ACL. Errorcode %ld.", code);
  log.LogMsg(LOG_ERROR, code, u"No ACL information available. Errorcode %ld.", code);
  log.LogMsg(LOG_ERROR, code, u"An error has occured while getting a security descriptor. Errorcode %ld.", code);
  return code;
}

}  // namespace

int32_t cVkAgentSecurity::BuildFromLists(cOrkLog& log, Built* built) const {
  vk::Sid admins;
  int32_t code = GetAdministratorsSid(log, &admins);
  if (code) {
    log.LogMsg(LOG_ERROR, code, u"Error getting SID of local administrators group. Errorcode %ld.", code);
    log.LogMsg(LOG_ERROR, code,
               u"An error has occured while initializing the default security settings. Errorcode %ld.", code);
    return code;
  }
  built->adminGroupSid = admins;
  built->defaultGroupSid = admins;

  VkAccountList administrators = GetAdministrators(), operators = GetOperators(), users = GetUsers();
  std::vector<EntryDescription> descriptions;
  for (const auto& name : administrators) descriptions.push_back({&name, kAdministratorsMask});
  for (const auto& name : operators) descriptions.push_back({&name, kOperatorsMask});
  for (const auto& name : users) descriptions.push_back({&name, kUsersMask});

  // Allow entries only, so the canonical order is the descriptions' from last to first.
  vk::Acl acl;
  for (auto it = descriptions.rbegin(); it != descriptions.rend(); ++it) {
    if (it->name->empty()) continue;  // an empty name grants nothing
    vk::Sid sid;
    uint32_t use = 0;
    code = LookupSidByName(log, *it->name, &sid, &use);
    if (code) {
      log.LogMsg(LOG_ERROR, code, u"An error has occurred while looking up a SID with username: '%s'. Errorcode %ld.",
                 *it->name, code);
      log.LogMsg(LOG_ERROR, code, u"Error setting up  ACE for account '%s'. Errorcode %ld.", *it->name, code);
      return FailBuild(log, code);
    }
    acl.entries.push_back(vk::Ace{vk::ACCESS_ALLOWED_ACE_TYPE, 0, it->mask, sid});
  }
  if (!acl.FitsInAcl()) return FailBuild(log, ERROR_INVALID_ACL);

  vk::SecurityDescriptor sd;
  sd.owner = sd.group = admins;
  sd.ownerDefaulted = sd.groupDefaulted = true;
  sd.daclPresent = true;
  sd.dacl = std::move(acl);
  built->securityDescriptor = sd.ToSelfRelative();
  auto length = static_cast<int32_t>(built->securityDescriptor.size());
  if (length < static_cast<int32_t>(vk::kSecurityDescriptorHeaderSize)) {
    log.LogMsg(LOG_ERROR, ERROR_INVALID_SECURITY_DESCR,
               u"Error getting the security descriptor length (Length returned was: %ld. Errorcode %ld.", length,
               ERROR_INVALID_SECURITY_DESCR);
    log.LogMsg(LOG_ERROR, ERROR_INVALID_SECURITY_DESCR,
               u"An error has occured while getting a security descriptor. Errorcode %ld.",
               ERROR_INVALID_SECURITY_DESCR);
    return ERROR_INVALID_SECURITY_DESCR;
  }
  return 0;
}

int32_t cVkAgentSecurity::BuildSecurityDescriptor(cOrkLog& log) {
  Built built;
  int32_t code = BuildFromLists(log, &built);
  if (code) return code;
  // Swapped in under the lock; the old set is freed after leaving it.
  {
    std::lock_guard guard(lock_);
    std::swap(securityDescriptor_, built.securityDescriptor);
    std::swap(adminGroupSid_, built.adminGroupSid);
    std::swap(defaultGroupSid_, built.defaultGroupSid);
  }
  return 0;
}

std::vector<uint8_t> cVkAgentSecurity::GetSecurityDescriptor() const {
  std::lock_guard guard(lock_);
  return securityDescriptor_;
}

int32_t cVkAgentSecurity::CheckTokenAccess(cOrkLog& log, const vk::AccessToken& token, uint32_t desiredAccess,
                                           bool* granted, uint32_t* grantedMask) {
  uint32_t desired = vk::MapGenericMask(desiredAccess, genericMapping_);
  vk::AccessResult result;
  int32_t code = 0;
  {
    std::lock_guard guard(lock_);
    code = vk::CheckAccess(securityDescriptor_, token, desired, genericMapping_, &result);
  }
  if (code) {
    log.LogNetMsg(LOG_ERROR, code, u"Error checking access for initialized security object. Errorcode %ld.", code);
    return code;
  }
  *granted = result.granted;
  *grantedMask = result.grantedMask;
  return 0;
}

int32_t cVkAgentSecurity::CheckClientAccess(cOrkLog& log, const vk::AccessToken* client, uint32_t right) {
  if (!client) {
    log.LogNetMsg(LOG_ERROR, ERROR_ACCESS_DENIED, u"Error impersonating client. Errorcode %ld.", ERROR_ACCESS_DENIED);
    return ERROR_ACCESS_DENIED;
  }
  bool granted = false;
  uint32_t mask = 0;
  int32_t code = CheckTokenAccess(log, *client, right, &granted, &mask);
  if (code) {
    log.LogMsg(LOG_ERROR, code, u"Error checking access. Errorcode %ld.", code);
    return code;
  }
  if (!granted) {
    log.LogMsg(LOG_ERROR, ERROR_ACCESS_DENIED, u"Access to the service has been denied. Errorcode %ld.",
               ERROR_ACCESS_DENIED);
    return ERROR_ACCESS_DENIED;
  }
  return 0;
}
