#include "agent/rpc/config_calls.h"

#include "agent/security/agent_security.h"
#include "common/archive/object_buffer.h"
#include "common/mfclog/mfc_log.h"
#include "common/rpc/rpc_constants.h"
#include "common/settings/service_settings.h"
#include "log/orklog.h"

namespace vk::agent {

void cVkConfigCalls::Dispatch(uint16_t opnum, int32_t type, std::span<const uint8_t> inData, VkRpcCallOutput* out) {
  cOrkLog log;
  context_.setupActivityLog(log);
  if (opnum == vk::rpc::kOpGetServiceData) {
    out->result = GetServiceData(log, type, &out->outData);
  } else {
    out->result = SetServiceData(log, type, inData);
  }
  // The call's log always travels back, whatever happened before.
  cOrkMfcLog messages(log);
  if (ObjectToBuffer(&messages, out->outLog) != 0) out->outLog.clear();
}

int32_t cVkConfigCalls::CheckClientAccess(cOrkLog& log, uint32_t right) {
  return context_.security->CheckClientAccess(log, caller_ ? &*caller_ : nullptr, right);
}

int32_t cVkConfigCalls::GetServiceData(cOrkLog& log, int32_t type, std::vector<uint8_t>* outData) {
  int32_t result = CheckClientAccess(log, RIGHT_READ);
  if (result != 0) {
    log.LogMsg(LOG_ERROR, result,
               u"An error has occurred while retrieving data from the service. Failed to impersonate logged on user. "
               u"Errorcode %ld.",
               result);
    return result;
  }
  const cVkObject* object = nullptr;
  if (type == vk::rpc::kTypeGetSecurity) object = context_.security;
  if (type == vk::rpc::kTypeGetSettings) object = context_.settings;
  if (object == nullptr) return 0;  // other types do nothing
  result = ObjectToBuffer(object, *outData);
  if (result != 0) outData->clear();
  return result;
}

int32_t cVkConfigCalls::SetServiceData(cOrkLog& log, int32_t type, std::span<const uint8_t> inData) {
  int32_t result = CheckClientAccess(log, RIGHT_CHANGE);
  if (result != 0) {
    log.LogMsg(LOG_ERROR, result,
               u"An error has occurred while setting the SMS configuration. Failed to impersonate logged on user. "
               u"Errorcode %ld.",
               result);
    return result;
  }
  if (type == vk::rpc::kTypeSetSecurity) return SetSecurity(log, inData);
  if (type == vk::rpc::kTypeSetSettings) return SetSettings(log, inData);
  return 0;
}

int32_t cVkConfigCalls::SetSecurity(cOrkLog& log, std::span<const uint8_t> inData) {
  int32_t result = CheckClientAccess(log, RIGHT_ADMINISTER);
  if (result != 0) {
    log.LogMsg(LOG_ERROR, result,
               u"An error has occurred while setting the service security settings. Failed to impersonate logged on "
               u"user. Errorcode %ld.",
               result);
    return result;
  }
  // Only an access-rights object is taken: an empty buffer or another class is refused.
  std::unique_ptr<cVkServiceSecurity> received;
  result = ObjectFromBufferAs(inData.data(), inData.size(), received);
  if (result != 0) {
    log.LogNetMsg(LOG_ERROR, result, u"Error creating object from RPC buffer. Errorcode %ld", result);
    return result;
  }
  result = context_.security->ApplySecurity(log, &*caller_, *received);
  if (result == 0 && context_.markSecurityChanged) context_.markSecurityChanged();
  return result;
}

int32_t cVkConfigCalls::SetSettings(cOrkLog& log, std::span<const uint8_t> inData) {
  std::unique_ptr<cVkServiceSettings> received;
  int32_t result = ObjectFromBufferAs(inData.data(), inData.size(), received);
  if (result != 0) {
    log.LogNetMsg(LOG_ERROR, result, u"Error creating object from RPC buffer. Errorcode %ld", result);
    return result;
  }
  context_.settings->CopyFrom(*received);
  // Accepted settings are on disk before the caller hears of success.
  if (!context_.saveSettings) return 0;
  result = context_.saveSettings(log);
  if (result != 0)
    log.LogMsg(LOG_ERROR, result, u"An error has occurred while saving the service settings. Errorcode %ld.", result);
  return result;
}

}  // namespace vk::agent
