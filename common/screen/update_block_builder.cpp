#include "common/screen/update_block_builder.h"

#include <cstring>

#include "platform/core/error_codes.h"
#include "platform/core/job_pool.h"

namespace {

constexpr size_t kHeadBytes = 16;
constexpr size_t kMessageHead = 8;
// With a pool: sections above this are gathered as bands of rows, so a
// block can be cut into parts of about equal size.
constexpr size_t kBandBytes = 256 * 1024;
// Room in the gathering buffer for the heads of bands beyond one block.
constexpr size_t kBandHeads = 4096;
// Blocks below this (a few milliseconds of compression) go in one piece:
// cutting would save little, and a small screen's full update stays one
// message.
constexpr size_t kParallelBytes = 1024 * 1024;

void PutU32(uint8_t* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetU32(const uint8_t* in) {
  return static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) | (static_cast<uint32_t>(in[2]) << 16) |
         (static_cast<uint32_t>(in[3]) << 24);
}

}  // namespace

void VkWriteSectionHead(uint8_t* out, const VkRect& r) {
  PutU32(out, static_cast<uint32_t>(r.left));
  PutU32(out + 4, static_cast<uint32_t>(r.top));
  PutU32(out + 8, static_cast<uint32_t>(r.right));
  PutU32(out + 12, static_cast<uint32_t>(r.bottom));
}

VkRect VkReadSectionHead(const uint8_t* in) {
  return VkRect{static_cast<int32_t>(GetU32(in)), static_cast<int32_t>(GetU32(in + 4)),
                static_cast<int32_t>(GetU32(in + 8)), static_cast<int32_t>(GetU32(in + 12))};
}

int32_t cVkUpdateBlockBuilder::Init(const VkScreenGeometry& geometry, int32_t level) {
  if (!geometry.IsValid()) return ERROR_INVALID_PARAMETER;
  geometry_ = geometry;
  level_ = (level < -1 || level > 9) ? 6 : level;
  compressor_ = cVkStreamCompressor(level_);
  parts_.clear();
  block_.assign(geometry.BlockBytes() + kBandHeads * kHeadBytes, 0);
  // The receiver's compressed buffer; ours holds the message head as well.
  output_.assign(geometry.ReceiveBytes(), 0);
  streamRoom_ = output_.size() - kMessageHead;
  Discard();
  return 0;
}

void cVkUpdateBlockBuilder::Discard() {
  used_ = 0;
  sectionStarts_.clear();
}

int32_t cVkUpdateBlockBuilder::AddSection(const VkRect& rect, const uint8_t* frame) {
  if (!geometry_.Contains(rect)) return ERROR_INVALID_PARAMETER;
  size_t stride = geometry_.RowBytes();
  const uint8_t* first = frame + static_cast<size_t>(rect.top) * stride +
                         static_cast<size_t>(rect.left) * static_cast<size_t>(geometry_.bytesPerPixel);
  return AddSectionRows(rect, first, stride);
}

bool cVkUpdateBlockBuilder::Parallel() const { return pool_ != nullptr && pool_->Lanes() > 1; }

int32_t cVkUpdateBlockBuilder::AddSectionRows(const VkRect& rect, const uint8_t* rows, size_t rowStride) {
  if (block_.empty() || !geometry_.Contains(rect)) return ERROR_INVALID_PARAMETER;
  const size_t rowBytes = static_cast<size_t>(rect.Width()) * static_cast<size_t>(geometry_.bytesPerPixel);
  // Only sections that are compressed in parts are banded: the heads of the
  // bands could push a block that goes in one piece past the block buffer.
  if (!Parallel() || rowBytes == 0 || rowBytes * static_cast<size_t>(rect.Height()) < kParallelBytes)
    return AddBand(rect, rows, rowStride);
  const int32_t bandRows = static_cast<int32_t>(std::max<size_t>(1, kBandBytes / rowBytes));
  for (int32_t top = rect.top; top < rect.bottom; top += bandRows) {
    const VkRect band{rect.left, top, rect.right, std::min(rect.bottom, top + bandRows)};
    const int32_t rc = AddBand(band, rows + static_cast<size_t>(top - rect.top) * rowStride, rowStride);
    if (rc != 0) return rc;
  }
  return 0;
}

int32_t cVkUpdateBlockBuilder::AddBand(const VkRect& rect, const uint8_t* rows, size_t rowStride) {
  size_t rowBytes = static_cast<size_t>(rect.Width()) * static_cast<size_t>(geometry_.bytesPerPixel);
  size_t need = kHeadBytes + rowBytes * static_cast<size_t>(rect.Height());
  if (need > block_.size() - used_) {
    int32_t rc = Flush();
    if (rc != 0) return rc;
  }
  // A section inside the screen always fits an empty block.
  uint8_t* out = block_.data() + used_;
  sectionStarts_.push_back(used_);
  VkWriteSectionHead(out, rect);
  out += kHeadBytes;
  for (int32_t k = 0; k < rect.Height(); ++k) {
    if (rowBytes > 0) std::memcpy(out, rows + static_cast<size_t>(k) * rowStride, rowBytes);
    out += rowBytes;
  }
  used_ += need;
  return 0;
}

int32_t cVkUpdateBlockBuilder::Flush() {
  if (used_ == 0) return 0;
  std::vector<size_t> starts;
  starts.swap(sectionStarts_);
  size_t used = used_;
  used_ = 0;
  if (Parallel() && used >= kParallelBytes && starts.size() > 1) return SendParallel({block_.data(), used}, starts);
  return Send({block_.data(), used}, starts);
}

// Cuts the block into one part per lane (at section starts, about equal in
// bytes), compresses the parts side by side and sends them in order. A
// part whose stream would not fit goes the sequential way, in its place.
int32_t cVkUpdateBlockBuilder::SendParallel(std::span<const uint8_t> block, std::span<const size_t> sectionStarts) {
  CutParts(block, sectionStarts);
  pool_->RunAll(parts_.size(), [this](size_t i) {
    Part& part = parts_[i];
    const size_t room = std::min(streamRoom_, cVkStreamCompressor::Bound(part.block.size()));
    if (part.output.size() < kMessageHead + room) part.output.resize(kMessageHead + room);
    part.result =
        part.block.size() > geometry_.BlockBytes()
            ? ERROR_INSUFFICIENT_BUFFER
            : part.compressor.Compress(part.block, std::span(part.output).subspan(kMessageHead, room), &part.length);
  });
  for (Part& part : parts_) {
    int32_t rc = part.result;
    if (rc == 0)
      rc = SendMessage(part.output.data(), part.length);
    else if (rc == ERROR_INSUFFICIENT_BUFFER)
      rc = Send(part.block, part.sectionStarts);
    if (rc != 0) return rc;
  }
  return 0;
}

void cVkUpdateBlockBuilder::CutParts(std::span<const uint8_t> block, std::span<const size_t> sectionStarts) {
  const size_t lanes = std::min(pool_->Lanes(), sectionStarts.size());
  if (parts_.size() < lanes) parts_.resize(lanes);
  for (Part& part : parts_) {
    part.sectionStarts.clear();
    part.block = {};
  }
  const size_t share = block.size() / lanes;
  size_t part = 0, begin = 0;
  for (size_t k = 0; k < sectionStarts.size(); ++k) {
    const size_t start = sectionStarts[k];
    if (part + 1 < lanes && start >= share * (part + 1) && !parts_[part].sectionStarts.empty()) {
      parts_[part].block = block.subspan(begin, start - begin);
      begin = start;
      ++part;
    }
    parts_[part].sectionStarts.push_back(start - begin);
  }
  parts_[part].block = block.subspan(begin);
  parts_.resize(part + 1);
  for (Part& p : parts_)
    if (!p.compressor.Valid()) p.compressor = cVkStreamCompressor(level_);
}

int32_t cVkUpdateBlockBuilder::SendMessage(uint8_t* message, size_t length) {
  PutU32(message, VK_MESSAGE_SCREEN_UPDATE);
  PutU32(message + 4, static_cast<uint32_t>(length));
  if (!sink_) return 0;
  return sink_(std::span<const uint8_t>(message, kMessageHead + length));
}

// Compresses one block into the output buffer and sends it; a stream that
// would not fit is sent as two or more smaller blocks instead.
// A block that would inflate beyond the receiver's block buffer is split
// the same way.
int32_t cVkUpdateBlockBuilder::Send(std::span<const uint8_t> block, std::span<const size_t> sectionStarts) {
  if (block.size() > geometry_.BlockBytes()) return SendHalves(block, sectionStarts);
  size_t length = 0;
  const int32_t rc = compressor_.Compress(block, std::span(output_).subspan(kMessageHead, StreamRoom()), &length);
  if (rc == ERROR_INSUFFICIENT_BUFFER) return SendHalves(block, sectionStarts);
  if (rc != 0) return rc;
  return SendMessage(output_.data(), length);
}

int32_t cVkUpdateBlockBuilder::SendHalves(std::span<const uint8_t> block, std::span<const size_t> sectionStarts) {
  if (sectionStarts.size() == 1) return SendSplitSection(block);
  size_t half = sectionStarts.size() / 2;
  size_t cut = sectionStarts[half];
  std::vector<size_t> second(sectionStarts.begin() + static_cast<std::ptrdiff_t>(half), sectionStarts.end());
  for (size_t& start : second) start -= cut;
  int32_t rc = Send(block.first(cut), sectionStarts.first(half));
  if (rc != 0) return rc;
  return Send(block.subspan(cut), second);
}

// One section too large for one stream goes as two sections of fewer rows.
int32_t cVkUpdateBlockBuilder::SendSplitSection(std::span<const uint8_t> section) {
  VkRect rect = VkReadSectionHead(section.data());
  if (rect.Height() < 2) return ERROR_INSUFFICIENT_BUFFER;
  size_t rowBytes = static_cast<size_t>(rect.Width()) * static_cast<size_t>(geometry_.bytesPerPixel);
  int32_t middle = rect.top + rect.Height() / 2;
  VkRect parts[2] = {{rect.left, rect.top, rect.right, middle}, {rect.left, middle, rect.right, rect.bottom}};
  const uint8_t* rows = section.data() + kHeadBytes;
  for (const VkRect& part : parts) {
    std::vector<uint8_t> piece(kHeadBytes + rowBytes * static_cast<size_t>(part.Height()));
    VkWriteSectionHead(piece.data(), part);
    std::memcpy(piece.data() + kHeadBytes, rows, piece.size() - kHeadBytes);
    rows += piece.size() - kHeadBytes;
    size_t start = 0;
    int32_t rc = Send(piece, std::span<const size_t>(&start, 1));
    if (rc != 0) return rc;
  }
  return 0;
}
