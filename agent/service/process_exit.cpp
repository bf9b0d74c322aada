#include "agent/service/process_exit.h"

#include "platform/core/process_end.h"
#include "platform/core/worker_thread.h"

namespace vk::agent {

void EndProcessIfThreadsGivenUp(int status) {
  if (vk::ThreadsGivenUp() > 0) vk::EndProcessNow(status);
}

}  // namespace vk::agent
