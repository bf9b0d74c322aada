// Worker threads, started and stopped the same way everywhere.
//
// A worker gets a manual-reset stop event; stopping signals it and then
// checks once per poll interval (1 s) whether the thread has ended, giving up
// after 61 intervals. A thread is never killed. When a stop gives up, the
// thread is let go (detached) but what it uses stays alive: the thread holds
// the stop event and its body, and the body must hold (by value or
// std::shared_ptr) everything else it touches, so the owner can go away.
//
// Blocking waits in a worker must be interruptible: wait on the stop event
// (WaitFor), or register a wake-up with OnSet. A socket user registers a
// shutdown(SHUT_RDWR) of its socket there: on Linux close() does not wake a
// thread blocked in recv() or accept(), shutdown() does.
//
//   vk::WorkerThread worker;
//   auto conn = std::make_shared<Connection>(...);  // shared with the thread
//   worker.Start([conn](vk::ManualResetEvent& stop) -> int32_t {
//     auto wake = stop.OnSet([conn] { conn->Shutdown(); });
//     while (!stop.IsSet()) { if (conn->Receive() != 0) return 1; }
//     return 0;
//   });
//   ...
//   vk::ThreadStopResult r = worker.Stop();
//   if (r.outcome == vk::ThreadStopOutcome::TimedOut) ...  // r.code == -1
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace vk {

// An event that stays signalled until Reset.
class ManualResetEvent {
 public:
  class Subscription;

  void Set();
  void Reset();
  bool IsSet() const;
  // Waits until the event is signalled or `timeout` passed; true when signalled.
  bool WaitFor(std::chrono::milliseconds timeout) const;
  void Wait() const;

  // Calls `wake` when the event is signalled (at once when it already is),
  // until the subscription is destroyed. `wake` runs under the event's lock:
  // keep it short and do not touch the event from it. After the
  // subscription's destruction returns, `wake` is not running and never runs.
  [[nodiscard]] Subscription OnSet(std::function<void()> wake);

 private:
  using WakeList = std::list<std::function<void()>>;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool set_ = false;
  WakeList wakes_;
};

class ManualResetEvent::Subscription {
 public:
  Subscription() = default;
  Subscription(Subscription&& other) noexcept;
  Subscription& operator=(Subscription&& other) noexcept;
  ~Subscription();

 private:
  friend class ManualResetEvent;
  Subscription(ManualResetEvent* event, WakeList::iterator it) : event_(event), it_(it) {}
  void Release();
  ManualResetEvent* event_ = nullptr;
  WakeList::iterator it_;
};

struct ThreadStopPolicy {
  std::chrono::milliseconds pollInterval{1000};
  int maxPolls = 61;
};

// The policy Stop uses when given none: 61 polls of the process-wide
// interval (1 s unless a test shortened it).
ThreadStopPolicy DefaultThreadStopPolicy();
void SetThreadStopPollInterval(std::chrono::milliseconds interval);

// Threads that a stop gave up on (WorkerThread::Stop counts its own). Once
// there is one, the process must end without running destructors under it
// (EndProcessNow).
void NoteThreadGivenUp();
int ThreadsGivenUp();

enum class ThreadStopOutcome {
  NoThread,    // nothing was running; code 0
  Ended,       // the thread ended; code is its exit code
  TimedOut,    // still running after the last poll, let go; code -1
  Unreadable,  // its exit code could not be read; code is the platform code
};

struct ThreadStopResult {
  ThreadStopOutcome outcome;
  int32_t code;
};

class WorkerThread {
 public:
  // The thread's body: runs with the stop event, answers the exit code.
  using Body = std::function<int32_t(ManualResetEvent& stop)>;

  WorkerThread() = default;
  ~WorkerThread();  // stops a thread still attached (Stop with the default policy)
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Creates a fresh stop event and starts `body` on a new thread: 0, or the
  // platform code when no thread could be created (ERROR_BUSY when a thread
  // is still attached).
  int32_t Start(Body body);

  // True while a thread is attached (started and not yet stopped).
  bool Running() const { return thread_.joinable(); }

  // The running thread's stop event, shared; nullptr before Start.
  std::shared_ptr<ManualResetEvent> StopEvent() const;

  // Signals the stop event and waits for the thread as described above. In
  // every case the thread and its stop event are released afterwards.
  ThreadStopResult Stop(ThreadStopPolicy policy = DefaultThreadStopPolicy());

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace vk
