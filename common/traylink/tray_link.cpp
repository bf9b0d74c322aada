#include "common/traylink/tray_link.h"

#include <algorithm>

#include "common/protocol/wire_bytes.h"

namespace vk::traylink {
namespace {

constexpr size_t kHeadBytes = 4;
constexpr size_t kTypeBytes = 2;

void AppendText(std::vector<uint8_t>& out, const std::u16string& text, size_t limit) {
  const size_t units = std::min(text.size(), limit);
  AppendLe16(out, static_cast<uint16_t>(units));
  for (size_t i = 0; i < units; ++i) AppendLe16(out, static_cast<uint16_t>(text[i]));
}

void AppendLe64(std::vector<uint8_t>& out, uint64_t v) {
  AppendLe32(out, static_cast<uint32_t>(v));
  AppendLe32(out, static_cast<uint32_t>(v >> 32));
}

void AppendBody(std::vector<uint8_t>& out, const TrayMessage& m) {
  switch (m.type) {
    case MessageType::State:
      AppendLe32(out, m.iconState);
      AppendLe32(out, m.notificationMode);
      AppendLe32(out, m.balloonIcon);
      out.push_back(m.balloonPending ? 1 : 0);
      AppendText(out, m.tipText, kMaxTipUnits);
      AppendText(out, m.balloonTitle, kMaxTitleUnits);
      AppendText(out, m.balloonText, kMaxBalloonUnits);
      return;
    case MessageType::Viewer:
      out.push_back(m.connected ? 1 : 0);
      AppendLe32(out, m.address);
      AppendText(out, m.viewerName, kMaxViewerUnits);
      return;
    case MessageType::Ask:
    case MessageType::CloseQuestion:
    case MessageType::QuestionShown:
      AppendLe64(out, m.questionId);
      return;
    case MessageType::Answer:
      AppendLe64(out, m.questionId);
      out.push_back(m.yes ? 1 : 0);
      return;
    case MessageType::Quit:
    case MessageType::Toggle:
      return;
  }
}

// Reads the fields of one body; any read past its end fails and stays failed.
class BodyReader {
 public:
  BodyReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Ok() const { return ok_; }
  bool Finished() const { return ok_ && at_ == size_; }

  uint32_t Le32() {
    if (!Has(4)) return 0;
    uint32_t v = ReadLe32(data_ + at_);
    at_ += 4;
    return v;
  }
  uint64_t Le64() {
    uint64_t low = Le32();
    return low | (static_cast<uint64_t>(Le32()) << 32);
  }
  bool Flag() {
    if (!Has(1)) return false;
    uint8_t v = data_[at_++];
    if (v > 1) ok_ = false;
    return v == 1;
  }
  uint32_t InRange(uint32_t low, uint32_t high) {
    uint32_t v = Le32();
    if (v < low || v > high) ok_ = false;
    return v;
  }
  std::u16string Text(size_t limit) {
    if (!Has(2)) return {};
    size_t units = ReadLe16(data_ + at_);
    at_ += 2;
    if (units > limit || !Has(units * 2)) {
      ok_ = false;
      return {};
    }
    std::u16string text(units, u'\0');
    for (size_t i = 0; i < units; ++i) text[i] = static_cast<char16_t>(ReadLe16(data_ + at_ + 2 * i));
    at_ += units * 2;
    return text;
  }

 private:
  bool Has(size_t n) {
    if (!ok_ || size_ - at_ < n) ok_ = false;
    return ok_;
  }
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
  bool ok_ = true;
};

bool KnownType(uint16_t type) {
  return (type >= static_cast<uint16_t>(MessageType::State) && type <= static_cast<uint16_t>(MessageType::Quit)) ||
         (type >= static_cast<uint16_t>(MessageType::Answer) && type <= static_cast<uint16_t>(MessageType::Toggle));
}

bool DecodeBody(BodyReader& r, TrayMessage* m) {
  switch (m->type) {
    case MessageType::State:
      m->iconState = r.InRange(1, 4);
      m->notificationMode = r.InRange(1, 4);
      m->balloonIcon = r.InRange(1, 3);
      m->balloonPending = r.Flag();
      m->tipText = r.Text(kMaxTipUnits);
      m->balloonTitle = r.Text(kMaxTitleUnits);
      m->balloonText = r.Text(kMaxBalloonUnits);
      break;
    case MessageType::Viewer:
      m->connected = r.Flag();
      m->address = r.Le32();
      m->viewerName = r.Text(kMaxViewerUnits);
      break;
    case MessageType::Ask:
    case MessageType::CloseQuestion:
    case MessageType::QuestionShown:
      m->questionId = r.Le64();
      break;
    case MessageType::Answer:
      m->questionId = r.Le64();
      m->yes = r.Flag();
      break;
    case MessageType::Quit:
    case MessageType::Toggle:
      break;
  }
  return r.Finished();
}

}  // namespace

bool SentByAgent(MessageType type) { return static_cast<uint16_t>(type) < static_cast<uint16_t>(MessageType::Answer); }
bool SentByHelper(MessageType type) { return !SentByAgent(type); }

std::vector<uint8_t> Encode(const TrayMessage& message) {
  std::vector<uint8_t> frame;
  frame.reserve(64);
  AppendLe32(frame, 0);  // the length, known at the end
  AppendLe16(frame, static_cast<uint16_t>(message.type));
  AppendBody(frame, message);
  WriteLe32(frame.data(), static_cast<uint32_t>(frame.size() - kHeadBytes));
  return frame;
}

void FrameReader::Feed(const uint8_t* bytes, size_t size) {
  if (broken_) return;
  pending_.insert(pending_.end(), bytes, bytes + size);
}

FrameReader::Result FrameReader::Next(TrayMessage* message) {
  if (broken_) return Result::Malformed;
  if (pending_.size() < kHeadBytes) return Result::NeedMore;
  const uint32_t length = ReadLe32(pending_.data());
  // Checked before waiting for the rest: a huge length is refused at once.
  if (length < kTypeBytes || length > kMaxFrameBytes - kHeadBytes) {
    broken_ = true;
    pending_.clear();
    return Result::Malformed;
  }
  if (pending_.size() - kHeadBytes < length) return Result::NeedMore;
  const uint16_t type = ReadLe16(pending_.data() + kHeadBytes);
  TrayMessage decoded;
  decoded.type = static_cast<MessageType>(type);
  BodyReader body(pending_.data() + kHeadBytes + kTypeBytes, length - kTypeBytes);
  const bool allowed = KnownType(type) && (fromHelper_ ? SentByHelper(decoded.type) : SentByAgent(decoded.type));
  if (!allowed || !DecodeBody(body, &decoded)) {
    broken_ = true;
    pending_.clear();
    return Result::Malformed;
  }
  pending_.erase(pending_.begin(), pending_.begin() + kHeadBytes + length);
  *message = std::move(decoded);
  return Result::Message;
}

}  // namespace vk::traylink
