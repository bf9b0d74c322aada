// The lists in the registry: three REG_SZ values, each a list joined with ",".
#include "agent/security/agent_security.h"
#include "common/accounts/account_utils.h"
#include "common/registry/registry.h"
#include "platform/core/error_codes.h"

namespace {

constexpr std::u16string_view kValueNames[3] = {u"Administrators", u"Operators", u"Users"};

std::u16string KeyPathForMessages() { return u"\\" + std::u16string(kSecurityKey); }

// The name of the Administrators alias here, or "Administrators" unconfirmed.
std::u16string DefaultList(cOrkLog& log) {
  std::u16string name;
  int32_t code = GetAdministratorsGroupName(log, nullptr, &name);
  if (code == 0) return name;
  log.LogMsg(LOG_ERROR, code,
             u"Error getting the local administrators group name. Errorcode %ld. Using unconfirmed local "
             u"administrators group \"Administrators\".",
             code);
  return u"Administrators";
}

}  // namespace

// Reads one list value. A missing value is no failure and leaves no message;
// other failures keep theirs. Either way the value falls back to the alias.
int32_t cVkAgentSecurity::ReadList(cOrkLog& log, cVkRegistry& registry, std::u16string_view valueName,
                                   std::u16string* value) {
  cOrkLog scratch;
  scratch.SetMemLogMask(LOG_ALL);
  int32_t code = registry.ReadStringValue(scratch, kSecurityKey, valueName, value);
  if (code == 0) return 0;
  std::u16string key = KeyPathForMessages();
  if (valueName == u"Administrators") {
    scratch.LogMsg(LOG_ERROR, code,
                   u"An error has occurred while getting the registry key 'HKEY_LOCAL_MACHINE%s\\Administrators'. "
                   u"Errorcode %ld",
                   key, code);
  } else if (valueName == u"Operators") {
    scratch.LogMsg(LOG_ERROR, code,
                   u"An error has occurred while getting the registry key 'HKEY_LOCAL_MACHINE%s\\Operators'. "
                   u"Errorcode %ld",
                   key, code);
  } else {
    scratch.LogMsg(LOG_ERROR, code,
                   u"An error has occurred while getting the registry key 'HKEY_LOCAL_MACHINE%s\\Users'. Errorcode %ld",
                   key, code);
  }
  if (code != ERROR_FILE_NOT_FOUND) log.AddLog(scratch);
  *value = DefaultList(log);
  return code == ERROR_FILE_NOT_FOUND ? 0 : code;
}

int32_t cVkAgentSecurity::LoadFromRegistry(cOrkLog& log) {
  {
    std::lock_guard guard(lock_);
    loaded_ = false;
  }
  cVkRegistry registry;
  int32_t code = registry.ConnectRegistry(log, nullptr, vk::RegRoot::LocalMachine);
  if (code) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while connecting to the registry. Errorcode %ld", code);
    return code;
  }
  std::u16string values[3];
  int32_t readFailure = 0;
  for (int i = 0; i < 3; ++i) {
    int32_t readCode = ReadList(log, registry, kValueNames[i], &values[i]);
    if (readCode && !readFailure) readFailure = readCode;
  }
  SetLists(VkSplitAccountList(values[0]), VkSplitAccountList(values[1]), VkSplitAccountList(values[2]));
  code = registry.CloseRegistry(log);
  if (code) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while disconnecting from the registry. Errorcode %ld", code);
    return code;
  }
  std::lock_guard guard(lock_);
  loaded_ = readFailure == 0;
  if (loaded_) changed_ = false;
  return readFailure;
}

int32_t cVkAgentSecurity::SaveToRegistry(cOrkLog& log) {
  std::u16string values[3];
  {
    std::lock_guard guard(lock_);
    values[0] = VkJoinAccountList(administrators_);
    values[1] = VkJoinAccountList(operators_);
    values[2] = VkJoinAccountList(users_);
  }
  cVkRegistry registry;
  int32_t code = registry.ConnectRegistry(log, nullptr, vk::RegRoot::LocalMachine);
  if (code) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while connecting to the registry. Errorcode %ld", code);
    return code;
  }
  std::u16string key = KeyPathForMessages();
  bool failed = false;
  if (int32_t c = registry.WriteStringValue(log, kSecurityKey, kValueNames[0], values[0])) {
    log.LogMsg(LOG_ERROR, c,
               u"An error has occurred while setting the registry key 'HKEY_LOCAL_MACHINE%s\\Administrators'. "
               u"Errorcode %ld",
               key, c);
    failed = true;
  }
  if (int32_t c = registry.WriteStringValue(log, kSecurityKey, kValueNames[1], values[1])) {
    log.LogMsg(LOG_ERROR, c,
               u"An error has occurred while setting the registry key 'HKEY_LOCAL_MACHINE%s\\Operators'. Errorcode %ld",
               key, c);
    failed = true;
  }
  if (int32_t c = registry.WriteStringValue(log, kSecurityKey, kValueNames[2], values[2])) {
    log.LogMsg(LOG_ERROR, c,
               u"An error has occurred while setting the registry key 'HKEY_LOCAL_MACHINE%s\\Users'. Errorcode %ld",
               key, c);
    failed = true;
  }
  code = registry.CloseRegistry(log);
  if (code) {
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while disconnecting from the registry. Errorcode %ld", code);
    return code;
  }
  return failed ? -1 : 0;
}

int32_t cVkAgentSecurity::InitializeSecurity(cOrkLog& log) {
  if (LoadFromRegistry(log) != 0 && logFile_) logFile_->AppendLogToFile(log);
  int32_t code = BuildSecurityDescriptor(log);
  if (code) {
    log.LogMsg(LOG_ERROR, code, u"An error has occured while initializing the service security. Errorcde %ld.", code);
  }
  return code;
}

bool cVkAgentSecurity::LoadedFromRegistry() const {
  std::lock_guard guard(lock_);
  return loaded_;
}

bool cVkAgentSecurity::ChangedSinceLoad() const {
  std::lock_guard guard(lock_);
  return changed_;
}
