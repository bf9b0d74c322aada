#include "console/admin/ssh_rpc_binder.h"

#include <cstdlib>
#include <cstring>

#include "common/rpc/rpc_client.h"
#include "platform/core/error_codes.h"

namespace {

// Longest wait for an answer of the agent.
constexpr int kReceiveTimeoutMs = 120000;

class SshRpcStream : public cVkRpcStream {
 public:
  explicit SshRpcStream(std::unique_ptr<vk::ssh::SshStream> stream) : stream_(std::move(stream)) {}

  int32_t Send(std::span<const uint8_t> bytes) override { return stream_->Write(bytes); }
  int32_t Receive(std::span<uint8_t> buffer, size_t* received) override {
    int32_t rc = stream_->Read(buffer, received, kReceiveTimeoutMs);
    if (rc == ERROR_TIMEOUT) return WSAETIMEDOUT;
    if (rc == 0 && *received == 0) return kVkRpcPeerClosed;
    return rc;
  }
  bool IsOpen() const { return stream_->IsOpen(); }

 private:
  std::unique_ptr<vk::ssh::SshStream> stream_;
};

int32_t CopyOut(const std::vector<uint8_t>& bytes, VkRpcBuffer& pair) {
  if (bytes.empty()) return 0;
  pair.bytes = static_cast<uint8_t*>(std::malloc(bytes.size()));
  if (pair.bytes == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  std::memcpy(pair.bytes, bytes.data(), bytes.size());
  pair.length = static_cast<uint32_t>(bytes.size());
  return 0;
}

class SshRpcChannel : public cVkRpcChannel {
 public:
  explicit SshRpcChannel(std::unique_ptr<vk::ssh::SshStream> stream) : stream_(std::move(stream)), client_(stream_) {}

  // The first check binds; later ones find the connection still open (a
  // broken one fails the next call, which drops the binding).
  int32_t CheckListening() override {
    if (!client_.Bound()) return client_.Bind();
    return stream_.IsOpen() ? 0 : RPC_S_SERVER_UNAVAILABLE;
  }

  int32_t Call(uint32_t procedure, int32_t type, const VkRpcBuffer& in, VkRpcBuffer& out, VkRpcBuffer& outLog,
               int32_t* status, bool* exception) override {
    cVkRpcCallResult result;
    int32_t rc = client_.Call(static_cast<uint16_t>(procedure), type, {in.bytes, in.length}, &result);
    *exception = rc != 0;
    *status = result.status;
    if (rc != 0) return rc;
    if (int32_t copied = CopyOut(result.outData, out); copied != 0) return copied;
    if (int32_t copied = CopyOut(result.outLog, outLog); copied != 0) return copied;
    return result.returnValue;
  }

 private:
  SshRpcStream stream_;
  cVkRpcClient client_;
};

}  // namespace

int32_t cVkSshRpcBinder::Bind(std::unique_ptr<vk::ssh::SshStream> stream, std::unique_ptr<cVkRpcChannel>& channel) {
  if (stream == nullptr) return RPC_S_INVALID_BINDING;
  channel = std::make_unique<SshRpcChannel>(std::move(stream));
  return 0;
}
