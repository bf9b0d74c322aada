// The threads that serve the RPC connections, at most a bound at a time.
//
// The listener waits for a free slot before it accepts the next
// connection, so connections beyond the bound wait in the listen queue
// (and beyond that the kernel refuses them). Each connection closes after
// its idle time-out, so that silent connections cannot hold the slots.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/rpc/tcp_stream.h"

namespace vk::agent {

class cVkConnectionPool {
 public:
  explicit cVkConnectionPool(size_t maxConnections) : max_(maxConnections) {}
  ~cVkConnectionPool();
  cVkConnectionPool(const cVkConnectionPool&) = delete;
  cVkConnectionPool& operator=(const cVkConnectionPool&) = delete;

  // Waits until a slot is free or Close was called; true when a slot is free.
  bool WaitForSlot();
  // Serves `stream` on a thread of its own with `serve`.
  void Run(std::unique_ptr<vk::rpc::TcpStream> stream, std::function<void(vk::rpc::TcpStream&)> serve);
  // Ends waiting, stops reading on every connection (a call in progress
  // still sends its answer), then waits for every thread to end.
  void Close();
  size_t Active();

 private:
  struct Connection {
    std::unique_ptr<vk::rpc::TcpStream> stream;
    std::thread thread;
    bool done = false;
  };
  void JoinFinished(std::unique_lock<std::mutex>& lock);

  const size_t max_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::list<Connection> connections_;
  bool closed_ = false;
};

}  // namespace vk::agent
