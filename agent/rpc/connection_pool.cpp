#include "agent/rpc/connection_pool.h"

#include <vector>

namespace vk::agent {

cVkConnectionPool::~cVkConnectionPool() { Close(); }

void cVkConnectionPool::JoinFinished(std::unique_lock<std::mutex>& lock) {
  std::vector<std::thread> finished;
  for (auto it = connections_.begin(); it != connections_.end();) {
    if (!it->done) {
      ++it;
      continue;
    }
    finished.push_back(std::move(it->thread));
    it = connections_.erase(it);
  }
  lock.unlock();
  for (std::thread& thread : finished) thread.join();
  lock.lock();
}

bool cVkConnectionPool::WaitForSlot() {
  std::unique_lock lock(mutex_);
  for (;;) {
    JoinFinished(lock);
    if (closed_) return false;
    if (connections_.size() < max_) return true;
    changed_.wait(lock);
  }
}

void cVkConnectionPool::Run(std::unique_ptr<vk::rpc::TcpStream> stream,
                            std::function<void(vk::rpc::TcpStream&)> serve) {
  std::lock_guard lock(mutex_);
  if (closed_) return;  // the stream closes as it goes
  Connection& connection = connections_.emplace_back();
  connection.stream = std::move(stream);
  vk::rpc::TcpStream* raw = connection.stream.get();
  connection.thread = std::thread([this, &connection, raw, serve = std::move(serve)] {
    serve(*raw);
    std::lock_guard done(mutex_);
    connection.done = true;
    connection.stream.reset();
    changed_.notify_all();
  });
}

void cVkConnectionPool::Close() {
  std::unique_lock lock(mutex_);
  closed_ = true;
  for (Connection& connection : connections_)
    if (connection.stream) connection.stream->ShutdownReceive();
  changed_.notify_all();
  std::vector<std::thread> threads;
  for (Connection& connection : connections_) threads.push_back(std::move(connection.thread));
  lock.unlock();
  for (std::thread& thread : threads)
    if (thread.joinable()) thread.join();
  lock.lock();
  connections_.clear();
}

size_t cVkConnectionPool::Active() {
  std::lock_guard lock(mutex_);
  size_t active = 0;
  for (const Connection& connection : connections_) active += connection.done ? 0 : 1;
  return active;
}

}  // namespace vk::agent
