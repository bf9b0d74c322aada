// Fakes of the session's parts and a console-side client for the session
// manager's tests.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "agent/session/session_manager.h"
#include "common/protocol/session_messages.h"
#include "common/archive/object.h"
#include "common/socket/socket.h"
#include "log/orklog.h"
#include "platform/net/socket_calls.h"

namespace vk::testing {

// Waits until `done` holds, re-checking whenever a fake reports progress and
// at short intervals (for conditions nobody reports, such as a listener
// that has come up).
class Progress {
 public:
  void Notify() {
    std::lock_guard lock(mutex_);
    changed_.notify_all();
  }
  bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::unique_lock lock(mutex_);
    while (!done()) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      changed_.wait_for(lock, std::chrono::milliseconds(20));
    }
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
};

class FakeLogon : public iVkLogonCheck {
 public:
  explicit FakeLogon(Progress& p) : progress_(p) {}
  int32_t CheckLogonAccess(cOrkLog& log, std::u16string_view user, std::u16string_view domain,
                           std::u16string_view password, uint32_t desiredAccess, uint32_t* granted) override {
    {
      std::lock_guard lock(mutex);
      lastDomain = domain;
      lastDesired = desiredAccess;
    }
    ++calls;
    progress_.Notify();
    if (user == u"alice" && password == u"secret") {
      *granted = 3;
      return 0;
    }
    log.LogMsg(LOG_ERROR, 1326, u"Error impersonating client. Errorcode %ld.", 1326);
    return 1326;
  }
  std::mutex mutex;
  std::u16string lastDomain;
  uint32_t lastDesired = 0;
  std::atomic<int> calls{0};

 private:
  Progress& progress_;
};

class FakeTray : public iVkSessionTray {
 public:
  explicit FakeTray(Progress& p) : progress_(p) {}
  void UpdateForSession() override {
    ++updates;
    progress_.Notify();
  }
  bool IsViewingAllowed() override { return allowed.load(); }
  std::atomic<bool> allowed{true};
  std::atomic<int> updates{0};

 private:
  Progress& progress_;
};

class FakeInput : public iVkSessionInput {
 public:
  int32_t Start(cOrkLog& log, uint32_t address, uint32_t mask) override {
    viewerAddress = address;
    grantedMask = mask;
    ++starts;
    if (startResult != 0)
      log.LogMsg(LOG_ERROR, startResult, u"Error starting the input thread. Errorcode %ld.", startResult);
    return startResult;
  }
  int32_t Stop(cOrkLog&) override {
    ++stops;
    return 0;
  }
  int32_t startResult = 0;
  std::atomic<uint32_t> viewerAddress{0};
  std::atomic<uint32_t> grantedMask{0};
  std::atomic<int> starts{0}, stops{0};
};

// A screen that reports one format at the start, then sends an update
// message of `updateBytes` bytes each cycle while `updating` is set.
class FakeScreen : public iVkSessionScreen {
 public:
  explicit FakeScreen(Progress& p) : progress_(p) {}
  int32_t StartScreenManager(cOrkLog&) override {
    ++screenStarts;
    formatPending = true;
    return 0;
  }
  int32_t StopScreenManager(cOrkLog&) override {
    ++screenStops;
    progress_.Notify();
    return 0;
  }
  int32_t StartDesktopManager(cOrkLog&) override { return 0; }
  int32_t StopDesktopManager(cOrkLog&) override { return 0; }
  bool TakeFormatPending() override { return formatPending.exchange(false); }
  std::unique_ptr<cVkObject> MakeScreenInfo() override { return makeInfo(); }
  void AddFullScreen() override {
    ++fullScreens;
    progress_.Notify();
  }
  int32_t SendUpdate(cVkSocket& socket) override {
    ++cycles;
    progress_.Notify();
    if (!updating) return 0;
    std::vector<uint8_t> message(8 + updateBytes, 0x5A);
    const MessageHead head = MakeMessageHead(kUpdateMessage, static_cast<uint32_t>(updateBytes));
    std::copy(head.begin(), head.end(), message.begin());
    ++sendsStarted;
    progress_.Notify();
    const int32_t code = socket.SendAll(message.data(), message.size());
    ++sendsDone;
    return code;
  }
  void RebuildCursorList() override { ++cursorRebuilds; }
  bool TakeCursorChange(uint32_t* index) override {
    const uint32_t next = cursorIndex.exchange(0);
    if (next == 0) return false;
    *index = next;
    return true;
  }

  std::function<std::unique_ptr<cVkObject>()> makeInfo;
  std::atomic<bool> formatPending{false};
  std::atomic<bool> updating{false};
  size_t updateBytes = 16;
  std::atomic<uint32_t> cursorIndex{0};
  std::atomic<int> screenStarts{0}, screenStops{0}, fullScreens{0}, cycles{0}, cursorRebuilds{0};
  std::atomic<int> sendsStarted{0}, sendsDone{0};

 private:
  Progress& progress_;
};

// A port of the test's own (the agent refuses to listen on port 0), bound
// for as long as the object lives so that no parallel test is handed it. A
// stream port is bound on every address and never listens: the agent's
// listener, whose sockets share addresses (SO_REUSEADDR), still listens on
// it. A datagram port is bound on 127.0.0.2 only, so that the datagrams a
// test sends to 127.0.0.1 reach the agent's socket alone.
class ReservedPort {
 public:
  explicit ReservedPort(int type = net::kStream) {
    constexpr uint32_t kAnyAddress = 0, kSecondLoopback = 0x0200007F;  // network order
    if (net::OpenSocket(type, &handle_) != 0) return;
    if (net::SetIntOption(handle_, net::kSolSocket, net::kSoReuseAddr, 1) != 0) return;
    if (net::BindAddress(handle_, type == net::kDatagram ? kSecondLoopback : kAnyAddress, 0) != 0) return;
    if (net::LocalPort(handle_, &port_) != 0) port_ = 0;
  }
  ~ReservedPort() {
    if (handle_ != 0) net::CloseSocket(handle_);
  }
  ReservedPort(const ReservedPort&) = delete;
  ReservedPort& operator=(const ReservedPort&) = delete;
  // 0 when no port could be bound.
  uint16_t Port() const { return port_; }

 private:
  net::SocketHandle handle_ = 0;
  uint16_t port_ = 0;
};

struct Message {
  uint32_t type = 0;
  uint32_t value = 0;            // length, or cursor index
  std::vector<uint8_t> payload;  // for update, object and log messages
};

// The console's end of an update connection.
class Console {
 public:
  bool Connect(uint16_t port) {
    if (socket_.Create(log_, net::kStream) != 0) return false;
    socket_.SetOption(log_, net::kSolSocket, net::kSoRcvTimeo, 20000);  // a broken test fails, not hangs
    return socket_.Connect(log_, 0x0100007F, port) == 0;                // 127.0.0.1 in network order
  }
  void SetReceiveTimeout(int milliseconds) { socket_.SetOption(log_, net::kSolSocket, net::kSoRcvTimeo, milliseconds); }
  int32_t Send(const std::vector<uint8_t>& bytes) { return socket_.SendAll(bytes.data(), bytes.size()); }
  // The next message; -19 when the agent closed the connection.
  int32_t Read(Message& m) {
    uint8_t head[8];
    int32_t code = socket_.ReceiveAll(head, 8);
    if (code != 0) return code;
    m.type = ReadLe32(head);
    m.value = ReadLe32(head + 4);
    m.payload.clear();
    if (m.type == kCursorMessage) return 0;
    m.payload.resize(m.value);
    return m.value ? socket_.ReceiveAll(m.payload.data(), m.value) : 0;
  }
  // Reads until a log message arrives, and then the close.
  bool ReadsLogThenClose(Message& log) {
    while (Read(log) == 0)
      if (log.type == kLogMessage) {
        Message after;
        return Read(after) == VK_PEER_CLOSED;
      }
    return false;
  }
  void Close() { socket_.Close(log_); }
  ~Console() { Close(); }

 private:
  cOrkLog log_;
  cVkSocket socket_{5};
};

// Whether UTF-16LE bytes of `text` occur in `bytes` (archive strings hold
// their texts so).
inline bool HoldsText(const std::vector<uint8_t>& bytes, std::u16string_view text) {
  std::vector<uint8_t> needle;
  for (char16_t c : text) AppendLe16(needle, c);
  return std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end()) != bytes.end();
}

}  // namespace vk::testing
