#include "common/archive/archive.h"

#include <cstring>

#include "common/archive/read_observer.h"

cVkArchive::cVkArchive(std::vector<uint8_t>* out) : storing_(true), out_(out) {}

cVkArchive::cVkArchive(std::span<const uint8_t> in)
    : storing_(false), in_(in), buildLimit_(kBuildPerInputByte * in.size() + kBuildAllowance) {
  slots_.push_back(Slot{SlotKind::Class, nullptr, nullptr, 0, 0});
}

cVkArchive::~cVkArchive() = default;

void cVkArchive::Fail(int32_t cause) {
  if (failure_ == 0) failure_ = cause;
}

bool cVkArchive::CanWrite() {
  if (failure_ != 0) return false;
  if (!storing_) {
    Fail(VK_AR_READ_ONLY);
    return false;
  }
  return true;
}

bool cVkArchive::CanRead(size_t length) {
  if (failure_ != 0) return false;
  if (storing_) {
    Fail(VK_AR_WRITE_ONLY);
    return false;
  }
  if (length > in_.size() - pos_) {
    Fail(VK_AR_END_OF_FILE);
    return false;
  }
  return true;
}

void cVkArchive::WriteBytes(std::span<const uint8_t> bytes) {
  if (!CanWrite()) return;
  out_->insert(out_->end(), bytes.begin(), bytes.end());
}

void cVkArchive::WriteByte(uint8_t value) { WriteBytes({&value, 1}); }

void cVkArchive::WriteWord(uint16_t value) {
  uint8_t b[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
  WriteBytes(b);
}

void cVkArchive::WriteDword(uint32_t value) {
  uint8_t b[4];
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(value >> (8 * i));
  WriteBytes(b);
}

void cVkArchive::WriteQword(uint64_t value) {
  uint8_t b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(value >> (8 * i));
  WriteBytes(b);
}

size_t cVkArchive::ReadBytes(void* out, size_t length) {
  if (failure_ != 0) return 0;
  if (storing_) {
    Fail(VK_AR_WRITE_ONLY);
    return 0;
  }
  size_t n = std::min(length, in_.size() - pos_);
  if (n > 0) std::memcpy(out, in_.data() + pos_, n);
  pos_ += n;
  return n;
}

bool cVkArchive::ReadExact(void* out, size_t length) {
  if (!CanRead(length)) {
    if (length > 0) std::memset(out, 0, length);
    return false;
  }
  if (length > 0) std::memcpy(out, in_.data() + pos_, length);
  pos_ += length;
  return true;
}

uint8_t cVkArchive::ReadByte() {
  uint8_t b = 0;
  ReadExact(&b, 1);
  return b;
}

uint16_t cVkArchive::ReadWord() {
  uint8_t b[2];
  ReadExact(b, 2);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t cVkArchive::ReadDword() {
  uint8_t b[4];
  ReadExact(b, 4);
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
         (static_cast<uint32_t>(b[3]) << 24);
}

uint64_t cVkArchive::ReadQword() {
  uint64_t low = ReadDword();
  uint64_t high = ReadDword();
  return low | (high << 32);
}

uint32_t cVkArchive::ReadLayoutVersion(const cVkObject& body) {
  uint32_t version = ReadDword();
  if (failure_ == 0 && observer_ != nullptr) observer_->LayoutVersionRead(body, version);
  return version;
}

void cVkArchive::WriteCount(uint64_t count) {
  if (count < 0xFFFF) {
    WriteWord(static_cast<uint16_t>(count));
    return;
  }
  if (count > 0xFFFFFFFFu) {
    Fail(VK_AR_GENERIC);
    return;
  }
  WriteWord(0xFFFF);
  WriteDword(static_cast<uint32_t>(count));
}

uint32_t cVkArchive::ReadCount(size_t minBytesEach) {
  uint32_t count = ReadWord();
  if (count == 0xFFFF) count = ReadDword();
  if (failure_ != 0) return 0;
  if (minBytesEach > 0 && count > Remaining() / minBytesEach) {
    Fail(VK_AR_END_OF_FILE);
    return 0;
  }
  return count;
}
