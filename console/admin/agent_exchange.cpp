// SendData and GetData: one call of the agent's configuration interface.
#include "common/mfclog/mfc_log.h"
#include "common/security_lists/service_security.h"
#include "common/settings/register_settings.h"
#include "common/settings/service_settings.h"
#include "console/admin/agent_manager.h"
#include "console/admin/operator_ui.h"
#include "log/orklog.h"

namespace {

// The class an answer must have for the codes that ask for one.
const cVkClassInfo* ExpectedClass(int32_t code) {
  if (code == kVkGetSecurity) return &cVkServiceSecurity::classInfo;
  if (code == kVkGetSettings) return &cVkServiceSettings::classInfo;
  return nullptr;
}

struct PairGuard {
  VkRpcBuffer* pairs[3];
  ~PairGuard() {
    for (VkRpcBuffer* pair : pairs) VkFreeRpcBuffer(*pair);
  }
};

}  // namespace

int32_t cVkAgentManager::SendData(cOrkLog& log, std::u16string_view name, int32_t code, const cVkObject* object,
                                  cVkProgressWindow* progress) {
  return Exchange(log, name, kVkProcSetServiceData, code, object, nullptr, progress);
}

int32_t cVkAgentManager::GetData(cOrkLog& log, std::u16string_view name, int32_t code, const cVkObject* object,
                                 std::unique_ptr<cVkObject>& result, cVkProgressWindow* progress) {
  return Exchange(log, name, kVkProcGetServiceData, code, object, &result, progress);
}

int32_t cVkAgentManager::Exchange(cOrkLog& log, std::u16string_view name, uint32_t procedure, int32_t code,
                                  const cVkObject* object, std::unique_ptr<cVkObject>* result,
                                  cVkProgressWindow* progress) {
  std::lock_guard guard(lock_);
  bool sending = procedure == kVkProcSetServiceData;
  cVkRpcChannel* binding = nullptr;
  if (int32_t rc = BindAgent(log, name, &binding, progress); rc != 0) return rc;

  VkRpcBuffer in, out, outLog;
  PairGuard pairs{{&in, &out, &outLog}};
  if (object != nullptr) {
    if (int32_t rc = ObjectToRpcBufferNoCopy(object, in); rc != 0) {
      log.LogMsg(LOG_ERROR, rc, u"An error has occurred while creating the RPC buffer from an object. Errorcode %ld.",
                 rc);
      return rc;
    }
  }
  VkProgress(progress, sending ? u"Progress: Sending data to the ViewKeeper service."
                               : u"Progress: Receiving data from the ViewKeeper service.");
  int32_t status = 0;
  bool exception = false;
  int32_t rc = binding->Call(procedure, code, in, out, outLog, &status, &exception);
  if (exception) {
    if (cVkAgentData* record = FindAgent(name)) record->Invalidate();
    log.LogMsg(LOG_ERROR, -1,
               u"A fatal error has occurred while getting data from the service on computer '%s'. Errorcode %ld.", name,
               -1);
    return -1;
  }
  if (rc != 0) {
    if (sending)
      log.LogMsg(LOG_ERROR, rc, u"The RPC to send data to the service failed. Errorcode %ld.", rc);
    else
      log.LogMsg(LOG_ERROR, rc, u"The RPC to get data from the service failed. Errorcode %ld.", rc);
    return rc;
  }
  if (outLog.length != 0) {
    std::unique_ptr<cOrkMfcLog> agentLog;
    if (ObjectFromRpcBufferAs(outLog, agentLog) == 0) {
      cOrkLog received;
      agentLog->ToLog(received);
      log.AddLog(received);
    }
  }
  if (status != 0) {
    log.LogMsg(LOG_ERROR, status,
               u"The service on computer %s was unable to process the requested data. Errorcode %ld.", name, status);
    return status;
  }
  if (result == nullptr) return 0;
  std::unique_ptr<cVkObject> answer;
  const cVkClassInfo* expected = ExpectedClass(code);
  rc = expected != nullptr ? ObjectFromBufferOfClass(out.bytes, out.length, expected, answer)
                           : ObjectFromRpcBuffer(out, answer);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error has occurred while creating an object from the RPC buffer. Errorcode %ld.",
               rc);
    return rc;
  }
  *result = std::move(answer);
  return 0;
}

void VkRegisterAdminClasses() {
  VkRegisterSettingsClasses();
  VkRegisterMfcLogClasses();
  VkRegisterClasses<cVkServiceSecurity, cVkAgentData, cVkAgentManager>();
}
