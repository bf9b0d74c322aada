// cVkSocketsThread: the input channel of one viewer. A thread with a queue
// of its own sends each input record the window hands it as one 12-byte
// datagram to the agent's input port, in the order they were queued.
#pragma once

#include <cstdint>
#include <memory>

#include "common/protocol/input_codes.h"
#include "console/core/connection_info.h"
#include "console/core/progress_sink.h"
#include "platform/core/worker_thread.h"

class cOrkLog;

class cVkSocketsThread {
 public:
  cVkSocketsThread();
  ~cVkSocketsThread();
  cVkSocketsThread(const cVkSocketsThread&) = delete;
  cVkSocketsThread& operator=(const cVkSocketsThread&) = delete;

  // Creates and binds the datagram socket and takes the record's input port
  // and address as the destination.
  int32_t SetupInputSocket(cOrkLog& log, const cVkConnectionInfo& record, iVkProgressSink* progress);
  // Starts the thread's message loop (after a successful setup).
  int32_t Start();
  // UM_SEND_INPUT: queues a copy of one record.
  void PostInput(const vk::InputDatagram& record);
  // UM_STOP_INPUT, then waits for the thread (StopThread).
  int32_t Stop(cOrkLog& log);

  // The thread's own log and last send failure (read after Stop).
  cOrkLog& Log();
  int32_t LastError() const;

 private:
  struct Channel;
  std::shared_ptr<Channel> channel_;
  vk::WorkerThread thread_;
};
