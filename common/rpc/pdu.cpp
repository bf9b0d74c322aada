#include "common/rpc/pdu.h"

#include <algorithm>
#include <optional>

#include "common/rpc/byte_io.h"

namespace vk::rpc {
namespace {

// The authentication trailer (sec_trailer of 8 bytes plus the verifier)
// ends the fragment when auth_length is not 0.
size_t AuthTrailerSize(const PduHeader& header) { return header.authLength == 0 ? 0 : size_t{8} + header.authLength; }

void WriteHeader(ByteWriter& w, const PduHeader& header) {
  w.U8(header.versionMajor);
  w.U8(header.versionMinor);
  w.U8(static_cast<uint8_t>(header.type));
  w.U8(header.flags);
  w.U8(header.drep);
  w.U8(0);
  w.U8(0);
  w.U8(0);
  w.U16(0);  // frag_length, patched by Finish
  w.U16(0);  // no authentication trailer
  w.U32(header.callId);
}

std::vector<uint8_t> Finish(std::vector<uint8_t> bytes) {
  ByteWriter(bytes).PatchU16(8, static_cast<uint16_t>(bytes.size()));
  return bytes;
}

void WriteSyntax(ByteWriter& w, const SyntaxId& syntax) {
  w.Bytes(syntax.uuid);
  w.U32(syntax.version);
}

SyntaxId ReadSyntax(ByteReader& r) {
  SyntaxId syntax;
  std::span<const uint8_t> uuid = r.Bytes(syntax.uuid.size());
  if (!uuid.empty()) std::copy(uuid.begin(), uuid.end(), syntax.uuid.begin());
  syntax.version = r.U32();
  return syntax;
}

// The fragment's body (after the common header, before any auth trailer);
// false when the header does not read or its lengths do not fit.
bool OpenBody(std::span<const uint8_t> fragment, PduHeader* header, std::span<const uint8_t>* body) {
  if (!DecodeHeader(fragment, header)) return false;
  size_t length = header->fragLength;
  if (length < kHeaderSize || length > fragment.size()) return false;
  size_t trailer = AuthTrailerSize(*header);
  if (trailer > length - kHeaderSize) return false;
  *body = fragment.subspan(0, length - trailer);
  return true;
}

// A reader of the fragment's body, standing after the common header.
std::optional<ByteReader> OpenAfterHeader(std::span<const uint8_t> fragment, PduHeader* header) {
  std::span<const uint8_t> body;
  if (!OpenBody(fragment, header, &body)) return std::nullopt;
  ByteReader r(body);
  r.Skip(kHeaderSize);
  return r;
}

// The head that request, response and fault share: the common header with
// the PDU's own type, alloc_hint and the presentation context.
void WriteCallHead(ByteWriter& w, PduHeader header, PduType type, uint32_t allocHint, uint16_t contextId) {
  header.type = type;
  WriteHeader(w, header);
  w.U32(allocHint);
  w.U16(contextId);
}

std::optional<ByteReader> ReadCallHead(std::span<const uint8_t> fragment, PduHeader* header, uint32_t* allocHint,
                                       uint16_t* contextId) {
  std::optional<ByteReader> r = OpenAfterHeader(fragment, header);
  if (!r) return std::nullopt;
  *allocHint = r->U32();
  *contextId = r->U16();
  return r;
}

// Response and fault go on with the cancel count and a reserved byte.
void WriteReplyHead(ByteWriter& w, PduHeader header, PduType type, uint32_t allocHint, uint16_t contextId,
                    uint8_t cancelCount) {
  WriteCallHead(w, header, type, allocHint, contextId);
  w.U8(cancelCount);
  w.U8(0);
}

std::optional<ByteReader> ReadReplyHead(std::span<const uint8_t> fragment, PduHeader* header, uint32_t* allocHint,
                                        uint16_t* contextId, uint8_t* cancelCount) {
  std::optional<ByteReader> r = ReadCallHead(fragment, header, allocHint, contextId);
  if (!r) return std::nullopt;
  *cancelCount = r->U8();
  r->Skip(1);
  return r;
}

}  // namespace

bool DecodeHeader(std::span<const uint8_t> bytes, PduHeader* header) {
  if (bytes.size() < kHeaderSize) return false;
  ByteReader r(bytes);
  header->versionMajor = r.U8();
  header->versionMinor = r.U8();
  header->type = static_cast<PduType>(r.U8());
  header->flags = r.U8();
  header->drep = r.U8();
  r.Skip(3);
  header->fragLength = r.U16();
  header->authLength = r.U16();
  header->callId = r.U32();
  return r.Ok();
}

HeaderProblem CheckHeader(const PduHeader& header, size_t maxFragment) {
  if (header.versionMajor != kRpcVersion || header.versionMinor > 1) return HeaderProblem::Version;
  if ((header.drep & 0xF0) != kDrepLittleEndian || (header.drep & 0x0F) != 0) return HeaderProblem::DataRepresentation;
  if (header.fragLength < kHeaderSize || header.fragLength > maxFragment) return HeaderProblem::Length;
  if (AuthTrailerSize(header) > header.fragLength - kHeaderSize) return HeaderProblem::Length;
  return HeaderProblem::None;
}

std::vector<uint8_t> EncodeBind(const BindPdu& pdu) {
  std::vector<uint8_t> bytes;
  ByteWriter w(bytes);
  WriteHeader(w, pdu.header);
  w.U16(pdu.maxXmitFrag);
  w.U16(pdu.maxRecvFrag);
  w.U32(pdu.assocGroupId);
  w.U8(static_cast<uint8_t>(pdu.contexts.size()));
  w.U8(0);
  w.U16(0);
  for (const ContextElement& element : pdu.contexts) {
    w.U16(element.contextId);
    w.U8(static_cast<uint8_t>(element.transferSyntaxes.size()));
    w.U8(0);
    WriteSyntax(w, element.abstractSyntax);
    for (const SyntaxId& transfer : element.transferSyntaxes) WriteSyntax(w, transfer);
  }
  return Finish(std::move(bytes));
}

bool DecodeBind(std::span<const uint8_t> fragment, BindPdu* pdu) {
  std::optional<ByteReader> opened = OpenAfterHeader(fragment, &pdu->header);
  if (!opened) return false;
  ByteReader& r = *opened;
  pdu->maxXmitFrag = r.U16();
  pdu->maxRecvFrag = r.U16();
  pdu->assocGroupId = r.U32();
  uint8_t count = r.U8();
  r.Skip(3);
  pdu->contexts.clear();
  for (uint8_t i = 0; i < count && r.Ok(); ++i) {
    ContextElement element;
    element.contextId = r.U16();
    uint8_t transfers = r.U8();
    r.Skip(1);
    element.abstractSyntax = ReadSyntax(r);
    for (uint8_t t = 0; t < transfers && r.Ok(); ++t) element.transferSyntaxes.push_back(ReadSyntax(r));
    pdu->contexts.push_back(std::move(element));
  }
  return r.Ok();
}

std::vector<uint8_t> EncodeBindAck(const BindAckPdu& pdu) {
  std::vector<uint8_t> bytes;
  ByteWriter w(bytes);
  WriteHeader(w, pdu.header);
  w.U16(pdu.maxXmitFrag);
  w.U16(pdu.maxRecvFrag);
  w.U32(pdu.assocGroupId);
  if (pdu.secondaryAddress.empty()) {
    w.U16(0);
  } else {
    w.U16(static_cast<uint16_t>(pdu.secondaryAddress.size() + 1));
    w.Bytes({reinterpret_cast<const uint8_t*>(pdu.secondaryAddress.data()), pdu.secondaryAddress.size()});
    w.U8(0);
  }
  w.AlignTo(4);
  w.U8(static_cast<uint8_t>(pdu.results.size()));
  w.U8(0);
  w.U16(0);
  for (const ContextResult& result : pdu.results) {
    w.U16(result.result);
    w.U16(result.reason);
    WriteSyntax(w, result.transferSyntax);
  }
  return Finish(std::move(bytes));
}

bool DecodeBindAck(std::span<const uint8_t> fragment, BindAckPdu* pdu) {
  std::optional<ByteReader> opened = OpenAfterHeader(fragment, &pdu->header);
  if (!opened) return false;
  ByteReader& r = *opened;
  pdu->maxXmitFrag = r.U16();
  pdu->maxRecvFrag = r.U16();
  pdu->assocGroupId = r.U32();
  uint16_t addressLength = r.U16();
  std::span<const uint8_t> address = r.Bytes(addressLength);
  // The address is NUL-terminated text; keep what precedes the NUL.
  pdu->secondaryAddress.clear();
  for (uint8_t c : address) {
    if (c == 0) break;
    pdu->secondaryAddress.push_back(static_cast<char>(c));
  }
  r.AlignTo(4);
  uint8_t count = r.U8();
  r.Skip(3);
  pdu->results.clear();
  for (uint8_t i = 0; i < count && r.Ok(); ++i) {
    ContextResult result;
    result.result = r.U16();
    result.reason = r.U16();
    result.transferSyntax = ReadSyntax(r);
    pdu->results.push_back(result);
  }
  return r.Ok();
}

std::vector<uint8_t> EncodeBindNak(const BindNakPdu& pdu) {
  std::vector<uint8_t> bytes;
  ByteWriter w(bytes);
  WriteHeader(w, pdu.header);
  w.U16(pdu.rejectReason);
  w.U8(static_cast<uint8_t>(pdu.versions.size()));
  for (auto [major, minor] : pdu.versions) {
    w.U8(major);
    w.U8(minor);
  }
  return Finish(std::move(bytes));
}

bool DecodeBindNak(std::span<const uint8_t> fragment, BindNakPdu* pdu) {
  std::optional<ByteReader> opened = OpenAfterHeader(fragment, &pdu->header);
  if (!opened) return false;
  ByteReader& r = *opened;
  pdu->rejectReason = r.U16();
  pdu->versions.clear();
  // The version list is optional in older peers.
  if (r.Ok() && r.Remaining() > 0) {
    uint8_t count = r.U8();
    for (uint8_t i = 0; i < count && r.Ok(); ++i) {
      uint8_t major = r.U8();
      uint8_t minor = r.U8();
      pdu->versions.emplace_back(major, minor);
    }
  }
  return r.Ok();
}

std::vector<uint8_t> EncodeRequest(const RequestPdu& pdu) {
  std::vector<uint8_t> bytes;
  bytes.reserve(kRequestHeaderSize + pdu.stub.size() + (pdu.object ? 16 : 0));
  ByteWriter w(bytes);
  PduHeader header = pdu.header;
  if (pdu.object) header.flags |= kPfcObjectUuid;
  WriteCallHead(w, header, PduType::Request, pdu.allocHint, pdu.contextId);
  w.U16(pdu.opnum);
  if (pdu.object) w.Bytes(*pdu.object);
  w.Bytes(pdu.stub);
  return Finish(std::move(bytes));
}

bool DecodeRequest(std::span<const uint8_t> fragment, RequestPdu* pdu) {
  std::optional<ByteReader> r = ReadCallHead(fragment, &pdu->header, &pdu->allocHint, &pdu->contextId);
  if (!r) return false;
  pdu->opnum = r->U16();
  pdu->object.reset();
  if (pdu->header.flags & kPfcObjectUuid) {
    std::span<const uint8_t> uuid = r->Bytes(16);
    if (!r->Ok()) return false;
    pdu->object.emplace();
    std::copy(uuid.begin(), uuid.end(), pdu->object->begin());
  }
  pdu->stub = r->Bytes(r->Remaining());
  return r->Ok();
}

std::vector<uint8_t> EncodeResponse(const ResponsePdu& pdu) {
  std::vector<uint8_t> bytes;
  bytes.reserve(kResponseHeaderSize + pdu.stub.size());
  ByteWriter w(bytes);
  WriteReplyHead(w, pdu.header, PduType::Response, pdu.allocHint, pdu.contextId, pdu.cancelCount);
  w.Bytes(pdu.stub);
  return Finish(std::move(bytes));
}

bool DecodeResponse(std::span<const uint8_t> fragment, ResponsePdu* pdu) {
  std::optional<ByteReader> r =
      ReadReplyHead(fragment, &pdu->header, &pdu->allocHint, &pdu->contextId, &pdu->cancelCount);
  if (!r) return false;
  pdu->stub = r->Bytes(r->Remaining());
  return r->Ok();
}

std::vector<uint8_t> EncodeFault(const FaultPdu& pdu) {
  std::vector<uint8_t> bytes;
  ByteWriter w(bytes);
  WriteReplyHead(w, pdu.header, PduType::Fault, pdu.allocHint, pdu.contextId, pdu.cancelCount);
  w.U32(pdu.status);
  w.U32(0);
  return Finish(std::move(bytes));
}

bool DecodeFault(std::span<const uint8_t> fragment, FaultPdu* pdu) {
  std::optional<ByteReader> r =
      ReadReplyHead(fragment, &pdu->header, &pdu->allocHint, &pdu->contextId, &pdu->cancelCount);
  if (!r) return false;
  pdu->status = r->U32();
  return r->Ok();
}

}  // namespace vk::rpc
