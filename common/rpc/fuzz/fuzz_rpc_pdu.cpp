// libFuzzer target: any bytes as what a peer sends on an RPC connection.
// The first byte picks the side: even, the bytes go to the server side of
// a connection (binds, requests in fragments, NDR arguments), whose handler
// decodes the in-buffer as the agent does; odd, they answer a client's bind
// and call. Every decoder of a single PDU also gets the bytes as they are.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "common/archive/object_buffer.h"
#include "common/archive/register_archive.h"
#include "common/rpc/ndr_call.h"
#include "common/rpc/pdu.h"
#include "common/rpc/rpc_client.h"
#include "common/rpc/rpc_server.h"
#include "common/security_lists/service_security.h"
#include "common/settings/register_settings.h"
#include "common/settings/service_settings.h"

namespace {

using namespace vk::rpc;

// The peer's bytes, then the end of the stream; what this side sends is dropped.
class InputStream : public cVkRpcStream {
 public:
  explicit InputStream(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  int32_t Send(std::span<const uint8_t>) override { return 0; }
  int32_t Receive(std::span<uint8_t> buffer, size_t* received) override {
    if (bytes_.empty()) return kVkRpcPeerClosed;
    size_t n = std::min(buffer.size(), bytes_.size());
    std::copy_n(bytes_.begin(), n, buffer.begin());
    bytes_ = bytes_.subspan(n);
    *received = n;
    return 0;
  }

 private:
  std::span<const uint8_t> bytes_;
};

class DecodingHandler : public cVkRpcCallHandler {
 public:
  void Dispatch(uint16_t, int32_t type, std::span<const uint8_t> inData, VkRpcCallOutput* out) override {
    if (type == kTypeSetSecurity) {
      std::unique_ptr<cVkServiceSecurity> security;
      out->result = ObjectFromBufferAs(inData.data(), inData.size(), security);
    } else {
      std::unique_ptr<cVkServiceSettings> settings;
      out->result = ObjectFromBufferAs(inData.data(), inData.size(), settings);
    }
    out->outData.assign(inData.begin(), inData.end());
  }
};

template <class Pdu>
void Decode(bool (*decode)(std::span<const uint8_t>, Pdu*), std::span<const uint8_t> bytes) {
  Pdu pdu;
  decode(bytes, &pdu);
}

void DecodeEachKind(std::span<const uint8_t> bytes) {
  PduHeader header;
  if (DecodeHeader(bytes, &header)) CheckHeader(header, kDefaultMaxFragment);
  Decode(DecodeBind, bytes);
  Decode(DecodeBindAck, bytes);
  Decode(DecodeBindNak, bytes);
  Decode(DecodeRequest, bytes);
  Decode(DecodeResponse, bytes);
  Decode(DecodeFault, bytes);
  Decode(DecodeCallIn, bytes);
  Decode(DecodeCallOut, bytes);
}

bool RegisterAll() {
  VkRegisterArchiveClasses();
  VkRegisterSettingsClasses();
  VkRegisterClasses<cVkServiceSecurity>();
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool registered = RegisterAll();
  (void)registered;
  if (size == 0) return 0;
  std::span<const uint8_t> bytes(data + 1, size - 1);
  DecodeEachKind(bytes);
  InputStream stream(bytes);
  if ((data[0] & 1) == 0) {
    DecodingHandler handler;
    VkRpcServerOptions options;
    options.port = "44185";
    VkRpcServeConnection(stream, handler, options);
  } else {
    cVkRpcClient client(stream);
    cVkRpcCallResult result;
    if (client.Bind() == 0) client.GetServiceData(kTypeGetSettings, &result);
  }
  return 0;
}
