// The console's configuration flows around the dialogs: one computer's
// settings fetched, edited and sent back; the access rights of several
// computers read (last to first), compared, edited once and written to
// every computer that answered; and the deployment wizard's install.
// The editors are the dialogs; these flows only call the agent manager.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class cOrkLog;
class cVkAgentManager;
class cVkCredentialConnector;
class cVkOperatorQuestions;
class cVkServiceSecurity;
class cVkServiceSettings;

// The operator closed an editor without OK.
inline constexpr int32_t kVkEditCancelled = -3;

using VkSettingsEditor = std::function<bool(cVkServiceSettings& settings)>;
using VkSecurityEditor = std::function<bool(cVkServiceSecurity& security)>;
// Asked between computers: true when the operator cancelled the run.
using VkCancelCheck = std::function<bool()>;

int32_t VkConfigureComputer(cOrkLog& log, cVkAgentManager& manager, const std::u16string& computer,
                            const VkSettingsEditor& edit, cVkOperatorQuestions& questions);

struct cVkSecurityFlowResult {
  std::vector<std::u16string> readFailed;
  std::vector<std::u16string> written;
  std::vector<std::u16string> writeFailed;
  std::vector<std::u16string> notReached;  // left out by a cancel
  bool edited = false;
  int32_t result = 0;  // the last failure's code
};

cVkSecurityFlowResult VkEditSecurityOnComputers(cOrkLog& log, cVkAgentManager& manager,
                                                const std::vector<std::u16string>& computers,
                                                const VkSecurityEditor& edit, cVkOperatorQuestions& questions,
                                                const VkCancelCheck& cancelled = {});

// True when two objects hold the same three lists.
bool VkSameSecurity(const cVkServiceSecurity& a, const cVkServiceSecurity& b);

// The logon page of the deployment wizard: the account the operator gave
// (used as the SSH login for this computer from now on), then the state
// check and an upgrade, or an install and start.
struct cVkWizardLogon {
  bool alternate = false;
  std::u16string user;
  std::u16string password;
};

int32_t VkDeployFromWizard(cOrkLog& log, cVkAgentManager& manager, cVkCredentialConnector* connector,
                           const std::u16string& computer, const cVkWizardLogon& logon,
                           cVkOperatorQuestions& questions);
