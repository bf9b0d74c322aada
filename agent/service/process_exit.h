// The end of the agent's process.
#pragma once

namespace vk::agent {

// When a worker thread was given up (it did not end within its stop's
// time-out and still runs), ends the process at once with `status`, without
// destroying the agent or any static object under that thread. Otherwise
// returns, and the process ends normally.
void EndProcessIfThreadsGivenUp(int status);

}  // namespace vk::agent
