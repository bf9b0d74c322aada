// Every kind of malformed PDU, sent raw to the real listener: each is
// answered as the protocol has it (bind_nak, a rejection in the bind_ack,
// a fault) or ends the connection, and the listener goes on serving.
#include <poll.h>
#include <sys/socket.h>

#include "agent/rpc/tests/rpc_test_support.h"
#include "common/rpc/ndr_call.h"
#include "common/rpc/pdu.h"
#include "platform/core/error_codes.h"

namespace {

using namespace vk::rpc;

// One raw connection to the listener.
class Raw {
 public:
  explicit Raw(uint16_t port) {
    EXPECT_EQ(ConnectLoopback(port, &stream_), 0);
    if (stream_) stream_->SetMessageTimeout(std::chrono::seconds(20));
  }
  void Send(const std::vector<uint8_t>& bytes) {
    stream_->StartMessage();
    ASSERT_EQ(stream_->Send(bytes), 0);
  }
  // The next whole PDU; its type is Orphaned when none came.
  ReceivedFragment Next() {
    ReceivedFragment fragment;
    fragment.header.type = PduType::Orphaned;
    stream_->StartMessage();
    if (ReceiveFragment(*stream_, 65535, &fragment) != 0) fragment.header.type = PduType::Orphaned;
    return fragment;
  }
  // True when the listener closed the connection (within the deadline);
  // a close with unread input arrives as a reset.
  bool Closed() {
    uint8_t byte;
    size_t received = 0;
    stream_->StartMessage();
    int32_t code = stream_->Receive({&byte, 1}, &received);
    return code == kVkRpcPeerClosed || code == WSAECONNRESET;
  }
  // Whether an answer is already waiting (no waiting at all).
  bool AnswerWaiting() {
    pollfd p{stream_->Descriptor(), POLLIN, 0};
    return poll(&p, 1, 0) > 0;
  }
  // A bind of the interface with NDR, answered by a bind_ack.
  void Bind() {
    Send(BindOf(kConfigInterface, {kNdrSyntax}));
    ReceivedFragment ack = Next();
    ASSERT_EQ(ack.header.type, PduType::BindAck);
  }

  static std::vector<uint8_t> BindOf(SyntaxId interface, std::vector<SyntaxId> transfers, uint16_t frag = 5840) {
    BindPdu bind;
    bind.header.type = PduType::Bind;
    bind.header.callId = 1;
    bind.maxXmitFrag = bind.maxRecvFrag = frag;
    bind.contexts.push_back({0, interface, std::move(transfers)});
    return EncodeBind(bind);
  }
  static std::vector<uint8_t> RequestOf(uint16_t opnum, std::span<const uint8_t> stub, uint8_t flags = 3,
                                        uint32_t callId = 2, uint16_t context = 0) {
    RequestPdu request;
    request.header.flags = flags;
    request.header.callId = callId;
    request.opnum = opnum;
    request.contextId = context;
    request.stub = stub;
    return EncodeRequest(request);
  }

 private:
  std::unique_ptr<TcpStream> stream_;
};

uint32_t FaultStatus(const ReceivedFragment& fragment) {
  FaultPdu fault;
  if (fragment.header.type != PduType::Fault || !DecodeFault(fragment.bytes, &fault)) return 0;
  return fault.status;
}

class RpcMalformed : public vk::testing::RpcListenerFixture {
 protected:
  void SetUp() override {
    RpcListenerFixture::SetUp();
    ASSERT_TRUE(StartListener());
  }
  // The listener still serves a well-formed client.
  void ExpectStillServing() {
    auto stream = Connect();
    cVkRpcClient client(*stream);
    ASSERT_EQ(client.Bind(), 0);
    cVkRpcCallResult result;
    ASSERT_EQ(client.GetServiceData(kTypeGetSettings, &result), 0);
    EXPECT_EQ(result.status, 0);
  }
  const std::vector<uint8_t> getStub_ = EncodeCallIn(kTypeGetSettings, {});
};

TEST_F(RpcMalformed, BindsOfAnotherInterfaceVersionOrSyntax) {
  SyntaxId otherInterface = kConfigInterface;
  otherInterface.uuid[0] ^= 0xFF;
  SyntaxId version2 = kConfigInterface;
  version2.version = 2;
  for (const SyntaxId& wrong : {otherInterface, version2}) {
    Raw raw(Port());
    raw.Send(Raw::BindOf(wrong, {kNdrSyntax}));
    ReceivedFragment nak = raw.Next();
    EXPECT_EQ(nak.header.type, PduType::BindNak);
    EXPECT_TRUE(raw.Closed());
  }

  SyntaxId ndr64 = kNdrSyntax;
  ndr64.uuid[0] ^= 0xFF;
  Raw raw(Port());
  raw.Send(Raw::BindOf(kConfigInterface, {ndr64}));
  ReceivedFragment ack = raw.Next();
  BindAckPdu read;
  ASSERT_TRUE(DecodeBindAck(ack.bytes, &read));
  ASSERT_EQ(read.results.size(), 1u);
  EXPECT_EQ(read.results[0].result, kContextProviderRejection);
  EXPECT_EQ(read.results[0].reason, kReasonTransferSyntaxesNotSupported);
  // Nothing can be called on a context that was not accepted.
  raw.Send(Raw::RequestOf(0, getStub_));
  EXPECT_EQ(FaultStatus(raw.Next()), kFaultUnknownInterface);

  // Another protocol version, and fragments smaller than every peer must take.
  std::vector<uint8_t> old = Raw::BindOf(kConfigInterface, {kNdrSyntax});
  old[0] = 4;
  Raw oldRaw(Port());
  oldRaw.Send(old);
  BindNakPdu nak;
  ASSERT_TRUE(DecodeBindNak(oldRaw.Next().bytes, &nak));
  EXPECT_EQ(nak.rejectReason, kRejectProtocolVersionNotSupported);
  Raw tiny(Port());
  tiny.Send(Raw::BindOf(kConfigInterface, {kNdrSyntax}, 512));
  EXPECT_EQ(tiny.Next().header.type, PduType::BindNak);
  ExpectStillServing();
}

TEST_F(RpcMalformed, UnknownProceduresAndBadArgumentsAreFaultsOnAUsableConnection) {
  Raw raw(Port());
  raw.Bind();
  raw.Send(Raw::RequestOf(7, getStub_));
  ReceivedFragment fault = raw.Next();
  EXPECT_EQ(FaultStatus(fault), 0x1c010002u);
  EXPECT_EQ(fault.header.callId, 2u);

  // A maximum count that is not the size, and a stub cut short.
  std::vector<uint8_t> bad = EncodeCallIn(kTypeSetSettings, std::vector<uint8_t>{1, 2, 3});
  bad[12] = 9;
  raw.Send(Raw::RequestOf(1, bad, 3, 3));
  EXPECT_EQ(FaultStatus(raw.Next()), kFaultBadStubData);
  raw.Send(Raw::RequestOf(0, std::span(getStub_).first(6), 3, 4));
  EXPECT_EQ(FaultStatus(raw.Next()), kFaultBadStubData);

  raw.Send(Raw::RequestOf(0, getStub_, 3, 5));
  ReceivedFragment response = raw.Next();
  EXPECT_EQ(response.header.type, PduType::Response);
  EXPECT_EQ(response.header.callId, 5u);
}

TEST_F(RpcMalformed, ImpossibleLengthsAndFormatsEndTheConnection) {
  std::vector<uint8_t> bind = Raw::BindOf(kConfigInterface, {kNdrSyntax});
  std::vector<std::vector<uint8_t>> broken;
  auto patched = [&](size_t offset, std::initializer_list<uint8_t> bytes) {
    std::vector<uint8_t> copy = bind;
    std::copy(bytes.begin(), bytes.end(), copy.begin() + static_cast<std::ptrdiff_t>(offset));
    broken.push_back(copy);
  };
  patched(8, {0x0f, 0x00});   // frag_length below the header
  patched(8, {0xff, 0xff});   // frag_length beyond every fragment size
  patched(10, {0x40, 0x00});  // auth_length beyond the fragment
  patched(4, {0x00});         // big-endian data representation
  patched(2, {0x02});         // a response from the client
  for (const auto& bytes : broken) {
    Raw raw(Port());
    raw.Send(bytes);
    EXPECT_TRUE(raw.Closed()) << int(bytes[2]) << " " << int(bytes[8]);
  }

  // A bind that claims more contexts than it holds is refused.
  std::vector<uint8_t> lying = bind;
  lying[24] = 9;
  Raw raw(Port());
  raw.Send(lying);
  EXPECT_EQ(raw.Next().header.type, PduType::BindNak);
  EXPECT_TRUE(raw.Closed());
  ExpectStillServing();
}

TEST_F(RpcMalformed, CallsOutOfOrderOrTooLargeAreRefused) {
  {  // A request before any bind.
    Raw raw(Port());
    raw.Send(Raw::RequestOf(0, getStub_));
    EXPECT_EQ(FaultStatus(raw.Next()), kFaultProtocolError);
    EXPECT_TRUE(raw.Closed());
  }
  {  // A middle fragment with no call open, and a second bind.
    Raw raw(Port());
    raw.Bind();
    raw.Send(Raw::RequestOf(0, getStub_, 0));
    EXPECT_EQ(FaultStatus(raw.Next()), kFaultProtocolError);
    EXPECT_TRUE(raw.Closed());
    Raw again(Port());
    again.Bind();
    again.Send(Raw::BindOf(kConfigInterface, {kNdrSyntax}));
    EXPECT_TRUE(again.Closed());
  }
  {  // Stub data beyond what a call may carry, in fragments of the agreed size.
    Raw raw(Port());
    raw.Bind();
    std::vector<uint8_t> chunk(5840 - kRequestHeaderSize - 8);
    raw.Send(Raw::RequestOf(1, chunk, kPfcFirstFrag));
    ReceivedFragment answer;
    for (size_t sent = chunk.size(); sent <= kMaxStubSize + chunk.size() && !raw.AnswerWaiting(); sent += chunk.size())
      raw.Send(Raw::RequestOf(1, chunk, 0));
    EXPECT_EQ(FaultStatus(raw.Next()), kFaultProtocolError);
    EXPECT_TRUE(raw.Closed());
  }
  ExpectStillServing();
}

TEST_F(RpcMalformed, SilentConnectionsAreClosedAndSlotsAreBounded) {
  StopListener();
  auto options = Options();
  options.maxConnections = 1;
  options.idleTimeout = std::chrono::milliseconds(300);
  ASSERT_TRUE(StartListener(options));

  Raw silent(Port());
  EXPECT_TRUE(silent.Closed());  // closed by the listener after its time-out

  Raw first(Port());
  first.Bind();
  Raw second(Port());  // waits in the listen queue while the one slot is taken
  second.Send(Raw::BindOf(kConfigInterface, {kNdrSyntax}));
  first.Send(Raw::RequestOf(0, getStub_));
  EXPECT_EQ(first.Next().header.type, PduType::Response);
  EXPECT_FALSE(second.AnswerWaiting());
  EXPECT_TRUE(first.Closed());  // the idle time-out frees the slot
  EXPECT_EQ(second.Next().header.type, PduType::BindAck);
}

}  // namespace
