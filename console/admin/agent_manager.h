// cVkAgentManager: the console's records of the agents it deals with, one
// per computer, and every operation on them. One lock serialises the
// operations, each for its whole duration (questions to the operator
// included). The records are kept in SM.dat between runs.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "common/archive/collection.h"
#include "console/admin/admin_context.h"
#include "console/admin/agent_data.h"
#include "console/admin/service_files.h"

namespace vk {
class ManualResetEvent;
}

class cOrkLog;

// The data codes of the configuration interface.
inline constexpr int32_t kVkSendSecurity = 2;
inline constexpr int32_t kVkGetSecurity = 3;
inline constexpr int32_t kVkSendSettings = 4;
inline constexpr int32_t kVkGetSettings = 5;

class cVkAgentManager : public cVkCollection {
  VK_DECLARE_SERIAL(cVkAgentManager)

 public:
  cVkAgentManager() = default;
  ~cVkAgentManager() override;

  void SetContext(const cVkAdminContext& context);
  void DeleteAll() override;

  // SM.dat: loads the records (objects of other classes are dropped) and saves them.
  int32_t Load(std::u16string_view path);
  int32_t Save(std::u16string_view path);

  int32_t InitServiceFiles(cOrkLog& log, std::u16string_view programFolder);
  const cVkServiceFiles& ServiceFiles() const { return files_; }

  cVkAgentData* FindAgent(std::u16string_view name) const;
  void DropAgent(std::u16string_view name);

  int32_t InstallAgent(cOrkLog& log, std::u16string_view name, std::u16string_view directory,
                       cVkProgressWindow* progress);
  int32_t StartAgent(cOrkLog& log, std::u16string_view name, cVkProgressWindow* progress);
  int32_t StopAgent(cOrkLog& log, std::u16string_view name, cVkProgressWindow* progress);
  int32_t RemoveAgent(cOrkLog& log, std::u16string_view name, cVkProgressWindow* progress);
  int32_t QueryAgentState(cOrkLog& log, std::u16string_view name, uint32_t* state, cVkProgressWindow* progress);
  // The build the agent's service publishes in its display name.
  int32_t ReadAgentBuild(cOrkLog& log, std::u16string_view name, int32_t* build, cVkProgressWindow* progress);
  // The service's state (0: not installed) and published build (0: none)
  // for the browse tree: on a connection of its own, without a record and
  // without holding the lock while it asks, so that several computers are
  // asked side by side and the operator's operations do not wait for them.
  // Nothing is asked of the operator. Setting `cancel` ends the wait for a
  // computer that does not answer (ERROR_CANCELLED).
  int32_t ProbeAgent(cOrkLog& log, std::u16string_view name, uint32_t* state, int32_t* build,
                     const vk::ManualResetEvent* cancel = nullptr);
  int32_t UpgradeAgent(cOrkLog& log, std::u16string_view name, cVkProgressWindow* progress);
  int32_t BindAgent(cOrkLog& log, std::u16string_view name, cVkRpcChannel** binding, cVkProgressWindow* progress);

  // One exchange with the agent's configuration interface. GetData answers
  // an object of the class the code asks for (settings or access rights).
  int32_t SendData(cOrkLog& log, std::u16string_view name, int32_t code, const cVkObject* object,
                   cVkProgressWindow* progress);
  int32_t GetData(cOrkLog& log, std::u16string_view name, int32_t code, const cVkObject* object,
                  std::unique_ptr<cVkObject>& result, cVkProgressWindow* progress);

 private:
  cVkAgentData& Record(std::u16string_view name, bool* created = nullptr);
  int32_t CheckBuild(cOrkLog& log, cVkAgentData& record, int32_t build, cVkProgressWindow* progress);
  int32_t Exchange(cOrkLog& log, std::u16string_view name, uint32_t procedure, int32_t code, const cVkObject* object,
                   std::unique_ptr<cVkObject>* result, cVkProgressWindow* progress);

  cVkServiceFiles files_;
  cVkAdminContext context_;
  mutable std::recursive_mutex lock_;
};

// Registers the classes SM.dat and the configuration exchanges hold.
void VkRegisterAdminClasses();
