// Replacing the lists at a caller's request.
#include <utility>

#include "agent/security/agent_security.h"
#include "platform/core/error_codes.h"

int32_t cVkAgentSecurity::ApplySecurity(cOrkLog& log, const vk::AccessToken* client,
                                        const cVkServiceSecurity& newSecurity) {
  cVkAgentSecurity candidate;
  candidate.SetLists(newSecurity.GetAdministrators(), newSecurity.GetOperators(), newSecurity.GetUsers());
  int32_t code = candidate.BuildSecurityDescriptor(log);
  if (code) {
    log.LogMsg(LOG_ERROR, code,
               u"An error has occured while changing the service access rights. Cannot create new security "
               u"descriptor. Operation refused. Errorcode %ld.",
               code);
    return code;
  }
  code = candidate.CheckClientAccess(log, client, RIGHT_ADMINISTER);
  if (code == ERROR_ACCESS_DENIED) {
    log.LogMsg(LOG_ERROR, code,
               u"An error has occured while changing the service access rights. Resulting settings do not give "
               u"administrative privileges to the client user. Operation refused. Errorcode %ld.",
               code);
    return code;
  }
  if (code) {
    log.LogMsg(LOG_ERROR, code,
               u"An error has occured while changing the service access rights. Error checking resulting access "
               u"rights. Operation refused. Errorcode %ld.",
               code);
    return code;
  }
  // Take over the candidate's lists, descriptor and SIDs in one step under
  // the lock; what they replace is freed with the candidate, after it.
  {
    std::scoped_lock both(lock_, candidate.lock_);
    std::swap(administrators_, candidate.administrators_);
    std::swap(operators_, candidate.operators_);
    std::swap(users_, candidate.users_);
    std::swap(securityDescriptor_, candidate.securityDescriptor_);
    std::swap(adminGroupSid_, candidate.adminGroupSid_);
    std::swap(defaultGroupSid_, candidate.defaultGroupSid_);
    changed_ = true;
  }
  code = SaveToRegistry(log);
  if (code)
    log.LogMsg(LOG_ERROR, code, u"An error has occured while saving the service security data. Errorcode %ld.", code);
  return code;
}
