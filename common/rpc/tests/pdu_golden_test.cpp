// PDUs and NDR arguments against byte vectors laid out by hand from the
// DCE 1.1 RPC connection-oriented PDU formats.
#include <gtest/gtest.h>

#include "common/rpc/fragments.h"
#include "common/rpc/ndr_call.h"
#include "common/rpc/pdu.h"
#include "common/rpc/tests/hex.h"

namespace {

using namespace vk::rpc;
using vk::testing::Hex;

const char* kInterfaceSyntax = "8c 5d 26 fe 3e 4f a5 43 92 2c 93 cc 4f c5 99 ac 01 00 00 00";
const char* kNdr = "04 5d 88 8a eb 1c c9 11 9f e8 08 00 2b 10 48 60 02 00 00 00";

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(RpcPduGolden, BindOfTheInterfaceWithNdr) {
  std::vector<uint8_t> expected = Concat({Hex("05 00 0b 03 10 00 00 00 48 00 00 00 01 00 00 00"
                                              "d0 16 d0 16 00 00 00 00 01 00 00 00 00 00 01 00"),
                                          Hex(kInterfaceSyntax), Hex(kNdr)});
  BindPdu bind;
  bind.header.type = PduType::Bind;
  bind.header.callId = 1;
  bind.contexts.push_back({0, kConfigInterface, {kNdrSyntax}});
  EXPECT_EQ(EncodeBind(bind), expected);

  BindPdu read;
  ASSERT_TRUE(DecodeBind(expected, &read));
  EXPECT_EQ(read.header.type, PduType::Bind);
  EXPECT_EQ(read.maxXmitFrag, 5840);
  ASSERT_EQ(read.contexts.size(), 1u);
  EXPECT_EQ(read.contexts[0].abstractSyntax, kConfigInterface);
  ASSERT_EQ(read.contexts[0].transferSyntaxes.size(), 1u);
  EXPECT_EQ(read.contexts[0].transferSyntaxes[0], kNdrSyntax);
}

TEST(RpcPduGolden, BindAckCarriesThePortAndAlignsTheResults) {
  // Secondary address "44185" with its NUL ends at offset 32: no padding.
  std::vector<uint8_t> expected = Concat({Hex("05 00 0c 03 10 00 00 00 3c 00 00 00 01 00 00 00"
                                              "d0 16 b8 10 34 12 00 00 06 00 34 34 31 38 35 00"
                                              "01 00 00 00 00 00 00 00"),
                                          Hex(kNdr)});
  BindAckPdu ack;
  ack.header.type = PduType::BindAck;
  ack.header.callId = 1;
  ack.maxXmitFrag = 5840;
  ack.maxRecvFrag = 4280;
  ack.assocGroupId = 0x1234;
  ack.secondaryAddress = "44185";
  ack.results.push_back({kContextAccepted, kReasonNotSpecified, kNdrSyntax});
  EXPECT_EQ(EncodeBindAck(ack), expected);

  // "135" ends at offset 30: two bytes of padding before the result list.
  ack.secondaryAddress = "135";
  ack.results[0] = {kContextProviderRejection, kReasonTransferSyntaxesNotSupported, {}};
  std::vector<uint8_t> rejected = EncodeBindAck(ack);
  EXPECT_EQ(std::vector<uint8_t>(rejected.begin() + 24, rejected.begin() + 36),
            Hex("04 00 31 33 35 00 00 00 01 00 00 00"));
  EXPECT_EQ(std::vector<uint8_t>(rejected.begin() + 36, rejected.begin() + 40), Hex("02 00 02 00"));
  BindAckPdu read;
  ASSERT_TRUE(DecodeBindAck(rejected, &read));
  EXPECT_EQ(read.secondaryAddress, "135");
  ASSERT_EQ(read.results.size(), 1u);
  EXPECT_EQ(read.results[0].result, kContextProviderRejection);
  EXPECT_EQ(read.results[0].reason, kReasonTransferSyntaxesNotSupported);
}

TEST(RpcPduGolden, BindNakRequestAndFault) {
  BindNakPdu nak;
  nak.header.type = PduType::BindNak;
  nak.header.callId = 1;
  nak.rejectReason = kRejectProtocolVersionNotSupported;
  EXPECT_EQ(EncodeBindNak(nak), Hex("05 00 0d 03 10 00 00 00 15 00 00 00 01 00 00 00 04 00 01 05 00"));

  // GetServiceData(5, empty): type, size 0, null pointer.
  std::vector<uint8_t> stub = EncodeCallIn(kTypeGetSettings, {});
  RequestPdu request;
  request.header.callId = 2;
  request.allocHint = static_cast<uint32_t>(stub.size());
  request.opnum = kOpGetServiceData;
  request.stub = stub;
  EXPECT_EQ(EncodeRequest(request), Hex("05 00 00 03 10 00 00 00 24 00 00 00 02 00 00 00"
                                        "0c 00 00 00 00 00 00 00 05 00 00 00 00 00 00 00 00 00 00 00"));

  FaultPdu fault;
  fault.header.callId = 2;
  fault.header.flags = kPfcFirstFrag | kPfcLastFrag | kPfcDidNotExecute;
  fault.status = kFaultOpRangeError;
  std::vector<uint8_t> bytes = EncodeFault(fault);
  EXPECT_EQ(bytes, Hex("05 00 03 23 10 00 00 00 20 00 00 00 02 00 00 00"
                       "00 00 00 00 00 00 00 00 02 00 01 1c 00 00 00 00"));
  FaultPdu read;
  ASSERT_TRUE(DecodeFault(bytes, &read));
  EXPECT_EQ(read.status, 0x1c010002u);
}

TEST(RpcNdrGolden, BufferPairsAsUniquePointersToConformantArrays) {
  std::vector<uint8_t> abc = {'a', 'b', 'c'};
  std::vector<uint8_t> in = EncodeCallIn(kTypeSetSettings, abc);
  EXPECT_EQ(in, Hex("04 00 00 00 03 00 00 00 00 00 02 00 03 00 00 00 61 62 63"));
  CallIn readIn;
  ASSERT_TRUE(DecodeCallIn(in, &readIn));
  EXPECT_EQ(readIn.type, kTypeSetSettings);
  EXPECT_EQ(std::vector<uint8_t>(readIn.inData.begin(), readIn.inData.end()), abc);

  std::vector<uint8_t> two = {1, 2};
  CallOut out;
  out.outData = two;
  out.result = 5;
  std::vector<uint8_t> stub = EncodeCallOut(out);
  // outData, padding to 4, outLog (empty: size 0, null), result, return value.
  EXPECT_EQ(stub, Hex("02 00 00 00 00 00 02 00 02 00 00 00 01 02 00 00"
                      "00 00 00 00 00 00 00 00 05 00 00 00 00 00 00 00"));
  CallOut readOut;
  ASSERT_TRUE(DecodeCallOut(stub, &readOut));
  EXPECT_EQ(std::vector<uint8_t>(readOut.outData.begin(), readOut.outData.end()), two);
  EXPECT_TRUE(readOut.outLog.empty());
  EXPECT_EQ(readOut.result, 5);
}

TEST(RpcNdrBounds, ArgumentsThatDoNotHoldAreRefused) {
  CallIn in;
  // Maximum count other than the size.
  EXPECT_FALSE(DecodeCallIn(Hex("04 00 00 00 03 00 00 00 00 00 02 00 04 00 00 00 61 62 63 64"), &in));
  // A size that runs past the stub.
  EXPECT_FALSE(DecodeCallIn(Hex("04 00 00 00 ff ff ff 7f 00 00 02 00 ff ff ff 7f 61"), &in));
  // A null pointer with a size.
  EXPECT_FALSE(DecodeCallIn(Hex("04 00 00 00 03 00 00 00 00 00 00 00"), &in));
  // Truncated anywhere.
  std::vector<uint8_t> good = Hex("04 00 00 00 03 00 00 00 00 00 02 00 03 00 00 00 61 62 63");
  for (size_t length = 0; length < good.size(); ++length)
    EXPECT_FALSE(DecodeCallIn(std::span(good).first(length), &in)) << length;
  CallOut out;
  EXPECT_FALSE(DecodeCallOut(Hex("00 00 00 00 00 00 00 00 00 00 00 00"), &out));
}

TEST(RpcPduBounds, HeadersWithImpossibleLengthsOrFormats) {
  PduHeader header;
  ASSERT_TRUE(DecodeHeader(Hex("05 00 00 03 10 00 00 00 24 00 00 00 02 00 00 00"), &header));
  EXPECT_EQ(CheckHeader(header, 5840), HeaderProblem::None);
  EXPECT_EQ(CheckHeader(header, 35), HeaderProblem::Length);
  header.fragLength = 15;
  EXPECT_EQ(CheckHeader(header, 5840), HeaderProblem::Length);
  header.fragLength = 0x24;
  header.authLength = 13;  // 8-byte trailer plus 13 does not fit in 20 bytes of body
  EXPECT_EQ(CheckHeader(header, 5840), HeaderProblem::Length);
  header.authLength = 0;
  header.drep = 0x00;  // big-endian
  EXPECT_EQ(CheckHeader(header, 5840), HeaderProblem::DataRepresentation);
  header.drep = 0x10;
  header.versionMajor = 4;
  EXPECT_EQ(CheckHeader(header, 5840), HeaderProblem::Version);

  // A bind that claims more context elements than it holds.
  std::vector<uint8_t> bind =
      Hex("05 00 0b 03 10 00 00 00 1c 00 00 00 01 00 00 00 d0 16 d0 16 00 00 00 00"
          "05 00 00 00");
  BindPdu read;
  EXPECT_FALSE(DecodeBind(bind, &read));
  // A frag_length beyond the bytes given.
  bind[8] = 0x40;
  EXPECT_FALSE(DecodeBind(bind, &read));
}

TEST(RpcFragments, SplitWithinTheFragmentSizeAndReassembled) {
  std::vector<uint8_t> stub(3000);
  for (size_t i = 0; i < stub.size(); ++i) stub[i] = static_cast<uint8_t>(i * 7);
  auto fragments = SplitRequest(9, 0, 1, stub, kMinFragment);
  ASSERT_EQ(fragments.size(), 3u);
  const uint32_t hints[] = {3000, 1592, 184};
  const uint8_t flags[] = {kPfcFirstFrag, 0, kPfcLastFrag};
  StubAssembler assembler;
  for (size_t i = 0; i < fragments.size(); ++i) {
    EXPECT_LE(fragments[i].size(), kMinFragment);
    RequestPdu pdu;
    ASSERT_TRUE(DecodeRequest(fragments[i], &pdu));
    EXPECT_EQ(pdu.header.fragLength, fragments[i].size());
    EXPECT_EQ(pdu.header.flags, flags[i]);
    EXPECT_EQ(pdu.allocHint, hints[i]);
    EXPECT_EQ(pdu.opnum, 1);
    if (i + 1 < fragments.size()) {
      EXPECT_EQ(pdu.stub.size() % 8, 0u);
    }
    auto step = assembler.Add(pdu.header, pdu.stub);
    EXPECT_EQ(step, i + 1 < fragments.size() ? StubAssembler::Step::NeedMore : StubAssembler::Step::Complete);
  }
  EXPECT_EQ(std::vector<uint8_t>(assembler.Stub().begin(), assembler.Stub().end()), stub);

  // An empty stub is one fragment with both flags.
  auto single = SplitResponse(3, 0, {}, kDefaultMaxFragment);
  ASSERT_EQ(single.size(), 1u);
  EXPECT_EQ(single[0][3], kPfcFirstFrag | kPfcLastFrag);
  EXPECT_EQ(single[0].size(), kResponseHeaderSize);
}

TEST(RpcFragments, OutOfOrderAndOversizedCallsAreRefused) {
  PduHeader first;
  first.flags = kPfcFirstFrag;
  first.callId = 4;
  PduHeader middle = first;
  middle.flags = 0;
  StubAssembler assembler;
  EXPECT_EQ(assembler.Add(middle, {}), StubAssembler::Step::OutOfOrder);  // no call open
  EXPECT_EQ(assembler.Add(first, {}), StubAssembler::Step::NeedMore);
  EXPECT_EQ(assembler.Add(first, {}), StubAssembler::Step::OutOfOrder);  // a second first fragment
  middle.callId = 5;
  EXPECT_EQ(assembler.Add(middle, {}), StubAssembler::Step::OutOfOrder);  // another call's fragment
  middle.callId = 4;
  std::vector<uint8_t> chunk(1024 * 1024);
  StubAssembler::Step step = StubAssembler::Step::NeedMore;
  for (int i = 0; i < 5 && step == StubAssembler::Step::NeedMore; ++i) step = assembler.Add(middle, chunk);
  EXPECT_EQ(step, StubAssembler::Step::TooLarge);
}

}  // namespace
