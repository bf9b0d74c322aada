// The agent's RPC listener: the thread that opens the configuration
// interface on 127.0.0.1, publishes its port, reports the service running
// once it listens, serves the calls until the stop routine ends listening,
// and then closes down.
//
//   listener.Start(log, record.RpcListenerThread());   // start routine
//   listener.StopListening(log);                        // stop routine, first step
//   StopWorkerThread(log, record.RpcListenerThread());  // stop routine, last step
//
// Port: 44185 or the next free one, 49 attempts at most. A port that cannot
// be published, no free port, or a failure on the way to listening stops
// the service (the display name then shows the port -1) and says why in
// the event log; the service never stays start pending.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "agent/rpc/rpc_agent_context.h"
#include "platform/core/worker_thread.h"

class cOrkLog;

namespace vk::agent {

struct cVkRpcListenerOptions {
  uint16_t firstPort = 44185;
  int portAttempts = 49;
  int backlog = 10;  // the listen queue of waiting connections
  // Connections served at once; more wait in the listen queue.
  size_t maxConnections = 16;
  // A connection whose next PDU does not arrive whole within this is closed.
  std::chrono::milliseconds idleTimeout{30000};
  // The pause before listening starts.
  std::chrono::milliseconds listenDelay{2000};
};

class cVkRpcListener {
 public:
  explicit cVkRpcListener(cVkRpcAgentContext context, cVkRpcListenerOptions options = {});
  ~cVkRpcListener();
  cVkRpcListener(const cVkRpcListener&) = delete;
  cVkRpcListener& operator=(const cVkRpcListener&) = delete;

  // Starts the listener thread on `thread` (the service record keeps it): 0
  // or the code of the thread's creation.
  int32_t Start(cOrkLog& log, vk::WorkerThread& thread);
  // Ends listening: no new connection is accepted, calls in progress
  // finish. Also fine when Start never ran. Always 0.
  int32_t StopListening(cOrkLog& log);

  // The port it listens on, 0 while it does not.
  uint16_t Port() const;

 private:
  friend class cVkRpcListenerThread;
  struct Shared;
  const cVkRpcAgentContext context_;
  const cVkRpcListenerOptions options_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace vk::agent
