// The client and the server side of a connection talking over an in-memory
// stream pair, and the client against canned answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "common/rpc/pdu.h"
#include "common/rpc/rpc_client.h"
#include "common/rpc/rpc_server.h"
#include "common/rpc/tests/hex.h"
#include "platform/core/error_codes.h"

namespace {

using namespace vk::rpc;

// One direction of an in-memory connection.
class Pipe {
 public:
  void Write(std::span<const uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    changed_.notify_all();
  }
  void Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    changed_.notify_all();
  }
  int32_t Read(std::span<uint8_t> buffer, size_t* received) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return closed_ || !bytes_.empty(); });
    if (bytes_.empty()) return kVkRpcPeerClosed;
    size_t n = std::min(buffer.size(), bytes_.size());
    std::copy_n(bytes_.begin(), n, buffer.begin());
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(n));
    *received = n;
    return 0;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<uint8_t> bytes_;
  bool closed_ = false;
};

class MemoryStream : public cVkRpcStream {
 public:
  MemoryStream(Pipe& in, Pipe& out) : in_(in), out_(out) {}
  int32_t Send(std::span<const uint8_t> bytes) override {
    sent_.push_back(bytes.size());
    out_.Write(bytes);
    return 0;
  }
  int32_t Receive(std::span<uint8_t> buffer, size_t* received) override { return in_.Read(buffer, received); }
  const std::vector<size_t>& SentSizes() const { return sent_; }

 private:
  Pipe& in_;
  Pipe& out_;
  std::vector<size_t> sent_;
};

// Echoes the in-buffer back reversed as out-data, the type as the result
// and a fixed log.
class EchoHandler : public cVkRpcCallHandler {
 public:
  void Dispatch(uint16_t opnum, int32_t type, std::span<const uint8_t> inData, VkRpcCallOutput* out) override {
    lastOpnum = opnum;
    out->outData.assign(inData.rbegin(), inData.rend());
    out->outLog = {9, 8, 7};
    out->result = type;
  }
  uint16_t lastOpnum = 99;
};

class ClientServer : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = std::thread([this] {
      VkRpcServerOptions options;
      options.port = "44185";
      result_ = VkRpcServeConnection(serverStream_, handler_, options);
      toClient_.Close();
    });
  }
  void TearDown() override {
    toServer_.Close();
    server_.join();
  }

  Pipe toServer_, toClient_;
  MemoryStream clientStream_{toClient_, toServer_};
  MemoryStream serverStream_{toServer_, toClient_};
  EchoHandler handler_;
  VkRpcServeResult result_;
  std::thread server_;
};

TEST_F(ClientServer, CallsCarryBothBuffersTheStatusAndFragmentBothWays) {
  cVkRpcClient client(clientStream_, kMinFragment);
  ASSERT_EQ(client.Bind(), 0);
  EXPECT_EQ(client.MaxXmitFrag(), kMinFragment);
  EXPECT_EQ(client.MaxRecvFrag(), kMinFragment);

  std::vector<uint8_t> in(5000);
  for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint8_t>(i);
  cVkRpcCallResult result;
  ASSERT_EQ(client.SetServiceData(kTypeSetSettings, in, &result), 0);
  EXPECT_EQ(handler_.lastOpnum, kOpSetServiceData);
  EXPECT_EQ(result.outData, std::vector<uint8_t>(in.rbegin(), in.rend()));
  EXPECT_EQ(result.outLog, (std::vector<uint8_t>{9, 8, 7}));
  EXPECT_EQ(result.status, kTypeSetSettings);
  EXPECT_EQ(result.returnValue, 0);
  // The request went out in pieces the server accepts, and so did the answer.
  EXPECT_GE(clientStream_.SentSizes().size(), 1u + 4u);
  for (size_t size : clientStream_.SentSizes()) EXPECT_LE(size, kMinFragment);
  EXPECT_GE(serverStream_.SentSizes().size(), 1u + 4u);
  for (size_t size : serverStream_.SentSizes()) EXPECT_LE(size, kMinFragment);

  ASSERT_EQ(client.GetServiceData(kTypeGetSecurity, &result), 0);
  EXPECT_EQ(handler_.lastOpnum, kOpGetServiceData);
  EXPECT_TRUE(result.outData.empty());
  EXPECT_EQ(result.status, kTypeGetSecurity);
}

TEST_F(ClientServer, UnknownProcedureIsAFaultAndTheConnectionStaysUsable) {
  cVkRpcClient client(clientStream_);
  EXPECT_EQ(client.Call(0, 5, {}, nullptr), RPC_S_INVALID_BINDING);
  ASSERT_EQ(client.Bind(), 0);
  cVkRpcCallResult result;
  EXPECT_EQ(client.Call(2, 5, {}, &result), RPC_S_PROCNUM_OUT_OF_RANGE);
  EXPECT_EQ(client.LastFaultStatus(), kFaultOpRangeError);
  EXPECT_EQ(handler_.lastOpnum, 99);  // never dispatched
  EXPECT_EQ(client.GetServiceData(kTypeGetSettings, &result), 0);
  EXPECT_EQ(result.status, kTypeGetSettings);
}

// A peer whose answers are given bytes.
class CannedStream : public cVkRpcStream {
 public:
  explicit CannedStream(std::vector<uint8_t> answer) : answer_(std::move(answer)) {}
  int32_t Send(std::span<const uint8_t>) override { return 0; }
  int32_t Receive(std::span<uint8_t> buffer, size_t* received) override {
    if (offset_ == answer_.size()) return kVkRpcPeerClosed;
    size_t n = std::min(buffer.size(), answer_.size() - offset_);
    std::copy_n(answer_.begin() + static_cast<std::ptrdiff_t>(offset_), n, buffer.begin());
    offset_ += n;
    *received = n;
    return 0;
  }

 private:
  std::vector<uint8_t> answer_;
  size_t offset_ = 0;
};

int32_t BindAgainst(std::vector<uint8_t> answer) {
  CannedStream stream(std::move(answer));
  cVkRpcClient client(stream);
  return client.Bind();
}

TEST(RpcClientBind, RefusalsAndBrokenAnswersMapToTheirCodes) {
  using vk::testing::Hex;
  EXPECT_EQ(BindAgainst(Hex("05 00 0d 03 10 00 00 00 15 00 00 00 01 00 00 00 00 00 01 05 00")), RPC_S_UNKNOWN_IF);

  BindAckPdu ack;
  ack.header.type = PduType::BindAck;
  ack.header.callId = 1;
  ack.results.push_back({kContextProviderRejection, kReasonTransferSyntaxesNotSupported, {}});
  EXPECT_EQ(BindAgainst(EncodeBindAck(ack)), RPC_S_UNSUPPORTED_TRANS_SYN);
  ack.results[0] = {kContextProviderRejection, kReasonAbstractSyntaxNotSupported, {}};
  EXPECT_EQ(BindAgainst(EncodeBindAck(ack)), RPC_S_UNKNOWN_IF);
  ack.results[0] = {kContextAccepted, 0, kNdrSyntax};
  ack.header.callId = 7;  // an answer to another call
  EXPECT_EQ(BindAgainst(EncodeBindAck(ack)), RPC_S_PROTOCOL_ERROR);
  ack.header.callId = 1;
  ack.maxRecvFrag = 100;  // below what every peer must accept
  EXPECT_EQ(BindAgainst(EncodeBindAck(ack)), RPC_S_PROTOCOL_ERROR);

  EXPECT_EQ(BindAgainst(Hex("05 00 0c 03 10 00 00 00 ff ff 00 00 01 00 00 00")), RPC_S_PROTOCOL_ERROR);
  EXPECT_EQ(BindAgainst(Hex("05 00 0c 03 10 00")), kVkRpcPeerClosed);
}

}  // namespace
