// The state of the agent on each computer of the browse tree: asked in the
// background, a few computers at a time, and handed to whoever shows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/worker_thread.h"

class cOrkLog;

struct cVkAgentState {
  enum class Kind { Unknown, Running, Stopped, Pending, NotInstalled, Unreachable };
  Kind kind = Kind::Unknown;
  int32_t build = 0;  // 0: not known
  int32_t code = 0;   // the failure's code, for Unreachable

  // "running, build 1114", "older build 1113, stopped", "not installed", ...
  std::u16string Text(int32_t ownBuild) const;
};

// Where the states come from (the agent manager in the console).
class iVkAgentStateSource {
 public:
  virtual ~iVkAgentStateSource() = default;
  // Runs in a worker thread; may take as long as the computer's connection
  // does, unless `cancel` is set (the queue goes away): then it should end
  // soon, with any answer.
  virtual cVkAgentState QueryState(cOrkLog& log, std::u16string_view computer,
                                   const vk::ManualResetEvent& cancel) = 0;
};

// Queries computers' states with at most `parallel` at a time. A computer
// already waiting or being asked is not queued twice. `deliver` runs in the
// worker thread that asked; it must only hand the result on (post it).
class cVkAgentStateQueue {
 public:
  using Delivery = std::function<void(const std::u16string& computer, const cVkAgentState& state)>;

  cVkAgentStateQueue(std::shared_ptr<iVkAgentStateSource> source, size_t parallel, Delivery deliver);
  // Drops what waits, cancels the questions being asked and stops the workers.
  ~cVkAgentStateQueue();
  cVkAgentStateQueue(const cVkAgentStateQueue&) = delete;
  cVkAgentStateQueue& operator=(const cVkAgentStateQueue&) = delete;

  void Request(const std::u16string& computer);
  size_t Waiting() const;

 private:
  struct Shared;
  static void Work(const std::shared_ptr<Shared>& shared, vk::ManualResetEvent& stop);

  std::shared_ptr<Shared> shared_;
  std::vector<std::unique_ptr<vk::WorkerThread>> workers_;
};
