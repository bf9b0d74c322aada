#include "console/core/sockets_thread.h"

#include <condition_variable>
#include <deque>
#include <mutex>

#include "common/socket/socket.h"
#include "console/core/stop_thread.h"
#include "console/core/viewer_messages.h"
#include "log/orklog.h"

namespace {

constexpr int32_t kReadinessSeconds = 5;

struct QueuedMessage {
  uint32_t message;
  std::unique_ptr<vk::InputDatagram> record;  // UM_SEND_INPUT only
};

}  // namespace

struct cVkSocketsThread::Channel {
  Channel() { log.SetMemLogMask(LOG_ALL); }

  void Post(QueuedMessage message) {
    std::lock_guard guard(mutex);
    queue.push_back(std::move(message));
    changed.notify_one();
  }
  // Stop always queues UM_STOP_INPUT before it signals the thread.
  QueuedMessage Next() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return !queue.empty(); });
    QueuedMessage next = std::move(queue.front());
    queue.pop_front();
    return next;
  }
  void Send(const vk::InputDatagram& record) {
    const auto bytes = vk::EncodeInputDatagram(record);
    const int32_t rc = socket.SendTo(bytes.data(), bytes.size(), address, port);
    if (rc == 0) return;
    lastError = rc;
    log.LogNetMsg(LOG_ERROR, rc, u"An error has occurred sending input data. Errorcode %ld.", rc);
  }
  int32_t Run() {
    for (QueuedMessage message = Next(); message.message != UM_STOP_INPUT; message = Next()) {
      if (message.message == UM_SEND_INPUT && message.record) Send(*message.record);
    }
    const int32_t rc = socket.Close(log);
    if (rc != 0)
      log.LogNetMsg(LOG_ERROR, rc, u"An error has occurred while closing the input socket. Errorcode %ld.", rc);
    return 0;
  }

  std::mutex mutex;
  std::condition_variable changed;
  std::deque<QueuedMessage> queue;
  cVkSocket socket{kReadinessSeconds};
  uint32_t address = 0;
  uint16_t port = 0;
  cOrkLog log;
  std::atomic<int32_t> lastError{0};
};

cVkSocketsThread::cVkSocketsThread() : channel_(std::make_shared<Channel>()) {}

cVkSocketsThread::~cVkSocketsThread() {
  if (!thread_.Running()) {
    channel_->socket.Close(channel_->log);
    return;
  }
  cOrkLog scratch;
  Stop(scratch);
}

int32_t cVkSocketsThread::SetupInputSocket(cOrkLog& log, const cVkConnectionInfo& record, iVkProgressSink* progress) {
  Channel& c = *channel_;
  if (progress != nullptr) progress->ShowProgress(u"Progress: Creating input socket ...");
  int32_t rc = c.socket.Create(log, vk::net::kDatagram);
  if (rc != 0) {
    log.LogNetMsg(LOG_ERROR, rc, u"Error creating the input socket. Errorcode %ld.", rc);
    return rc;
  }
  if (progress != nullptr) progress->ShowProgress(u"Progress: Binding input socket...");
  rc = c.socket.Bind(log, 0);
  if (rc != 0) {
    log.LogNetMsg(LOG_ERROR, rc, u"Error binding the input socket. Errorcode %ld.", rc);
    return rc;
  }
  c.address = record.address;
  c.port = static_cast<uint16_t>(record.inputPort);
  return 0;
}

int32_t cVkSocketsThread::Start() {
  auto channel = channel_;
  return thread_.Start([channel](vk::ManualResetEvent&) { return channel->Run(); });
}

void cVkSocketsThread::PostInput(const vk::InputDatagram& record) {
  if (!thread_.Running()) return;
  channel_->Post({UM_SEND_INPUT, std::make_unique<vk::InputDatagram>(record)});
}

int32_t cVkSocketsThread::Stop(cOrkLog& log) {
  if (!thread_.Running()) return 0;
  channel_->Post({UM_STOP_INPUT, nullptr});
  return StopThread(log, thread_);
}

cOrkLog& cVkSocketsThread::Log() { return channel_->log; }

int32_t cVkSocketsThread::LastError() const { return channel_->lastError; }
