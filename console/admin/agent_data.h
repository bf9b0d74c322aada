// cVkAgentData: what the console knows of the agent on one computer, and the
// operations on that computer's service (state, start, stop, install,
// remove, upgrade) and on its configuration interface (port, build, binding).
//
// The computer is reached through one remote connection (an SSH session),
// opened on first use, kept for every later operation and dropped after a
// failure of the connection or the binding, when the resolve flag is set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/archive/object.h"
#include "console/admin/admin_context.h"
#include "log/format.h"
#include "platform/ssh/remote_computer.h"

class cOrkLog;
class cVkProgressWindow;
class cVkServiceFiles;

class cVkAgentData : public cVkObject {
  VK_DECLARE_SERIAL(cVkAgentData)

 public:
  // Start requests and counted seconds of Start, seconds of Stop.
  static constexpr int32_t kMaxStartTries = 3;
  static constexpr int32_t kMaxStartSeconds = 60;
  static constexpr int32_t kMaxStopSeconds = 60;

  cVkAgentData() = default;
  explicit cVkAgentData(std::u16string computerName);
  ~cVkAgentData() override;
  cVkAgentData(const cVkAgentData&) = delete;
  cVkAgentData& operator=(const cVkAgentData&) = delete;

  void Serialize(cVkArchive& archive) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;

  void SetContext(const cVkAdminContext* context) { context_ = context; }

  const std::u16string& ComputerName() const { return computerName_; }
  const std::u16string& ServiceName() const { return serviceName_; }
  const std::u16string& AddressText() const { return addressText_; }
  uint32_t ServiceState() const { return serviceState_; }
  bool ResolveFlag() const { return resolve_; }
  bool HasBinding() const { return binding_ != nullptr; }
  cVkRpcChannel* Binding() const { return binding_.get(); }

  // Service control.
  int32_t QueryConfig(cOrkLog& log, cVkProgressWindow* progress, vk::remote::ServiceConfig& config);
  int32_t QueryStatus(cOrkLog& log, cVkProgressWindow* progress);
  int32_t Stop(cOrkLog& log, cVkProgressWindow* progress);
  int32_t Start(cOrkLog& log, cVkProgressWindow* progress);
  int32_t Install(cOrkLog& log, const cVkServiceFiles& files, std::u16string_view directory,
                  cVkProgressWindow* progress);
  int32_t Remove(cOrkLog& log, const cVkServiceFiles& files, cVkProgressWindow* progress);
  int32_t Upgrade(cOrkLog& log, const cVkServiceFiles& files, cVkProgressWindow* progress);

  // The configuration interface.
  int32_t ReadPort(cOrkLog& log, cVkProgressWindow* progress, int32_t* port);
  int32_t ReadBuild(cOrkLog& log, cVkProgressWindow* progress, int32_t* build);
  int32_t GetAddressText(cOrkLog& log, bool force, std::u16string& text, cVkProgressWindow* progress);
  int32_t ComposeBinding(cOrkLog& log, cVkProgressWindow* progress);
  int32_t GetBinding(cOrkLog& log, cVkRpcChannel** binding, cVkProgressWindow* progress);
  // Forgets the binding and the connection and sets the resolve flag.
  void Invalidate();

 private:
  // Connects (unless connected) and checks that the service exists: 0, 1060,
  // or the failure code, logged.
  int32_t OpenService(cOrkLog& log, cVkProgressWindow* progress);
  // What a start or a stop logs when the service cannot be opened or its
  // state cannot be read (each with the code).
  struct ServiceStepTexts {
    vk::WideFormatString<int32_t> noHandle;
    vk::WideFormatString<int32_t> noStatus;
  };
  int32_t OpenServiceFor(cOrkLog& log, cVkProgressWindow* progress, const ServiceStepTexts& texts);
  int32_t QueryStatusFor(cOrkLog& log, cVkProgressWindow* progress, const ServiceStepTexts& texts);
  int32_t Remote(cOrkLog& log, vk::remote::RemoteComputer** computer);
  int32_t ReadDisplayName(cOrkLog& log, cVkProgressWindow* progress, std::u16string& name);
  int32_t CheckBinding(cOrkLog& log, cVkProgressWindow* progress);
  int32_t CheckLibraries(cOrkLog& log, std::u16string_view directory);
  void Wait(uint32_t milliseconds) const;
  // Drops the connection after a failure that may have broken it.
  void NoteFailure(int32_t code);

  std::u16string computerName_;
  std::u16string serviceName_ = u"ViewKeeper";
  std::u16string addressText_;
  uint32_t serviceState_ = 0;
  bool resolve_ = true;

  const cVkAdminContext* context_ = nullptr;
  std::unique_ptr<vk::remote::RemoteComputer> remote_;
  std::unique_ptr<cVkRpcChannel> binding_;
};

// "Stopped", "Starting", ... for a service state; "Unknown" for others.
std::u16string_view VkServiceStateName(uint32_t state);
