// A TCP connection opened from the remote computer (direct-tcpip channel).
#include "platform/core/error_codes.h"
#include "platform/ssh/ssh_errors.h"
#include "platform/ssh/ssh_session_impl.h"

namespace vk::ssh {
namespace {

class ForwardStream : public SshStream {
 public:
  explicit ForwardStream(ssh_channel channel) : channel_(channel) {}
  ~ForwardStream() override {
    ssh_channel_close(channel_);
    ssh_channel_free(channel_);
  }

  int32_t Write(std::span<const uint8_t> bytes) override {
    while (!bytes.empty()) {
      int n = ssh_channel_write(channel_, bytes.data(), static_cast<uint32_t>(bytes.size()));
      if (n <= 0) return WSAECONNRESET;
      bytes = bytes.subspan(static_cast<size_t>(n));
    }
    return 0;
  }

  bool IsOpen() const override { return ssh_channel_is_open(channel_) != 0 && ssh_channel_is_eof(channel_) == 0; }

  int32_t Read(std::span<uint8_t> bytes, size_t* received, int timeoutMs) override {
    *received = 0;
    if (ssh_channel_is_eof(channel_) != 0) return 0;
    int n = ssh_channel_read_timeout(channel_, bytes.data(), static_cast<uint32_t>(bytes.size()), 0, timeoutMs);
    if (n == SSH_ERROR) return WSAECONNRESET;
    if (n == 0 && ssh_channel_is_eof(channel_) == 0) return ERROR_TIMEOUT;
    *received = static_cast<size_t>(n);
    return 0;
  }

 private:
  ssh_channel channel_;
};

}  // namespace

int32_t SshSession::OpenForward(const std::string& host, int port, std::unique_ptr<SshStream>& stream) {
  if (!impl_->connected) return impl_->Fail(WSAENOTCONN, u"The SSH session is not connected");
  ssh_channel channel = ssh_channel_new(impl_->session);
  if (channel == nullptr) return impl_->FailSsh(WSAECONNRESET, "Could not open an SSH channel");
  if (ssh_channel_open_forward(channel, host.c_str(), port, "127.0.0.1", 0) != SSH_OK) {
    ssh_channel_free(channel);
    return impl_->FailSsh(WSAECONNREFUSED, "The forwarded connection was refused");
  }
  stream = std::make_unique<ForwardStream>(channel);
  return 0;
}

}  // namespace vk::ssh
