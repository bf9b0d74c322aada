// DeskAgent: the ViewKeeper service.
//
// Runs under systemd (viewkeeper.service, Type=notify) or by hand in the
// foreground; it has no command-line switches. The whole agent is built in
// one object, cVkAgent (agent/service/agent.h). The process ends when the
// service has stopped: exit status 0, or 1 when the service failed.
#include <memory>

#include "agent/service/agent.h"
#include "agent/service/process_exit.h"

int main(int, char**) {
  auto agent = std::make_unique<vk::agent::cVkAgent>();
  const int status = agent->Run();
  vk::agent::EndProcessIfThreadsGivenUp(status);
  return status;
}
