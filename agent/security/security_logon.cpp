// The check of a viewing session's credentials.
#include "agent/security/agent_security.h"
#include "platform/accounts/pam_logon.h"
#include "platform/core/error_codes.h"

int32_t cVkAgentSecurity::CheckLogonAccess(cOrkLog& log, std::u16string_view user, std::u16string_view domain,
                                           std::u16string_view password, uint32_t desiredAccess,
                                           uint32_t* grantedMask) {
  vk::AccessToken token;
  int32_t code = vk::LogonNetworkUser(user, domain, password, &token);
  if (code) {
    log.LogNetMsg(LOG_ERROR, code, u"Error impersonating client. Errorcode %ld.", code);
    return code;
  }
  bool granted = false;
  uint32_t mask = 0;
  code = CheckTokenAccess(log, token, desiredAccess, &granted, &mask);
  if (code) {
    log.LogMsg(LOG_ERROR, code, u"Error checking access. Errorcode %ld.", code);
    return code;
  }
  if (!granted) {
    log.LogMsg(LOG_ERROR, ERROR_ACCESS_DENIED, u"Access to the service has been denied. Errorcode %ld.",
               ERROR_ACCESS_DENIED);
    return ERROR_ACCESS_DENIED;
  }
  *grantedMask = mask;
  return 0;
}
