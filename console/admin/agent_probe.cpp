#include "console/admin/agent_manager.h"
#include "log/orklog.h"

int32_t cVkAgentManager::ProbeAgent(cOrkLog& log, std::u16string_view name, uint32_t* state, int32_t* build) {
  *state = 0;
  *build = 0;
  cVkAdminContext context;
  {
    std::lock_guard guard(lock_);
    context = context_;
  }
  // Nothing is asked of the operator, and the record of the computer (if
  // there is one) keeps its connection and its state.
  context.questions = nullptr;
  cVkAgentData probe{std::u16string(name)};
  probe.SetContext(&context);
  const int32_t rc = probe.QueryStatus(log, nullptr);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error occurred while getting the service status from computer %s. Errorcode %ld.",
               name, rc);
    return rc;
  }
  *state = probe.ServiceState();
  // A service that publishes no valid build still has its state.
  if (*state != 0 && probe.ReadBuild(log, nullptr, build) != 0) *build = 0;
  return 0;
}
