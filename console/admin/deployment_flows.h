// Installing on and removing from a list of computers, as the install dialog
// and vkctl run them: per computer the state check, then upgrade or install
// and start (or the removal), and at the end the summary for the operator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class cOrkLog;
class cVkAgentManager;
class cVkOperatorQuestions;
class cVkProgressWindow;

// Default installation directory on a managed computer.
inline constexpr std::u16string_view kVkDefaultInstallDirectory = u"/opt/viewkeeper/";

struct cVkFlowResult {
  std::vector<std::u16string> succeeded;
  std::vector<std::u16string> failed;
  std::vector<std::u16string> notReached;  // left out because the operator cancelled
  int32_t result = 0;                      // the last computer's code, or -1 when that one succeeded but others failed
};

// Runs over several computers offer Cancel on the progress window and stop
// before the next computer once it is pressed; the summary names the
// computers not reached.
// What the operator is told about the computers a cancelled run did not reach.
std::u16string VkNotReachedText(const std::vector<std::u16string>& computers);

// "PC1,PC2" into its names (blanks around names removed, empty names skipped).
std::vector<std::u16string> VkSplitComputerList(std::u16string_view list);

cVkFlowResult VkInstallOnComputers(cOrkLog& log, cVkAgentManager& manager, const std::vector<std::u16string>& computers,
                                   std::u16string_view directory, cVkProgressWindow* progress,
                                   cVkOperatorQuestions* questions);
cVkFlowResult VkRemoveFromComputers(cOrkLog& log, cVkAgentManager& manager,
                                    const std::vector<std::u16string>& computers, cVkProgressWindow* progress,
                                    cVkOperatorQuestions* questions);
