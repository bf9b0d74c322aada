#include "common/screen/update_block_builder.h"

#include <zlib.h>

#include <cstring>

#include "platform/core/error_codes.h"

namespace {

constexpr size_t kHeadBytes = 16;
constexpr size_t kMessageHead = 8;

void PutU32(uint8_t* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetU32(const uint8_t* in) {
  return static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) | (static_cast<uint32_t>(in[2]) << 16) |
         (static_cast<uint32_t>(in[3]) << 24);
}

int32_t ErrorFromZlib(int rc) {
  if (rc == Z_MEM_ERROR) return ERROR_NOT_ENOUGH_MEMORY;
  if (rc == Z_BUF_ERROR) return ERROR_INSUFFICIENT_BUFFER;
  return ERROR_INVALID_PARAMETER;
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
  block_.assign(geometry.BlockBytes(), 0);
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

int32_t cVkUpdateBlockBuilder::AddSectionRows(const VkRect& rect, const uint8_t* rows, size_t rowStride) {
  if (block_.empty() || !geometry_.Contains(rect)) return ERROR_INVALID_PARAMETER;
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
  return Send({block_.data(), used}, starts);
}

// Compresses one block into the output buffer and sends it; a stream that
// would not fit is sent as two or more smaller blocks instead.
int32_t cVkUpdateBlockBuilder::Send(std::span<const uint8_t> block, std::span<const size_t> sectionStarts) {
  uLongf length = static_cast<uLongf>(StreamRoom());
  int rc = compress2(output_.data() + kMessageHead, &length, block.data(), static_cast<uLong>(block.size()), level_);
  if (rc == Z_BUF_ERROR) return SendHalves(block, sectionStarts);
  if (rc != Z_OK) return ErrorFromZlib(rc);
  PutU32(output_.data(), VK_MESSAGE_SCREEN_UPDATE);
  PutU32(output_.data() + 4, static_cast<uint32_t>(length));
  if (!sink_) return 0;
  return sink_(std::span<const uint8_t>(output_.data(), kMessageHead + length));
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
