#include "agent/input/agent_input.h"

#include <mutex>

#include "agent/input/deskhook_input_blocker.h"
#include "platform/core/error_codes.h"

namespace {

struct InputSources {
  std::mutex lock;
  cVkSessionInputAdapter::Wiring wiring;
};

InputSources& Sources() {
  static InputSources sources;
  return sources;
}

cVkSessionInputAdapter::Wiring Current() {
  std::lock_guard<std::mutex> hold(Sources().lock);
  return Sources().wiring;
}

}  // namespace

cVkSessionInputAdapter& AgentInput() {
  static std::unique_ptr<vk::PowerControl> power = vk::CreateLogindPowerControl();
  static cVkDeskHookInputBlocker blocker;
  static cVkSessionInputAdapter input(
      {[](cOrkLog& log, uint32_t* mask) {
         auto wiring = Current();
         return wiring.impersonateViewer ? wiring.impersonateViewer(log, mask) : ERROR_NOT_READY;
       },
       [] {
         if (auto wiring = Current(); wiring.addFullScreen) wiring.addFullScreen();
       },
       [] {
         auto wiring = Current();
         return wiring.settings ? wiring.settings() : cVkInputSettings{};
       },
       [](cOrkLog& log) {
         if (auto wiring = Current(); wiring.appendLogToFile) wiring.appendLogToFile(log);
       }},
      *power, vk::CreateXTestInjector(), blocker);
  return input;
}

void ConnectAgentInput(cVkSessionInputAdapter::Wiring wiring) {
  std::lock_guard<std::mutex> hold(Sources().lock);
  Sources().wiring = std::move(wiring);
}
