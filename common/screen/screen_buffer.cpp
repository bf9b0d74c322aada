#include "common/screen/screen_buffer.h"

#include <cstring>

#include "common/screen/update_block_builder.h"
#include "platform/core/error_codes.h"

namespace {

constexpr size_t kHeadBytes = 16;

}  // namespace

int32_t cVkScreenBuffer::ApplyScreenInfo(const cVkScreenInfo& info) {
  VkScreenGeometry g = info.Geometry();
  uint16_t bits = info.header.bitCount;
  if (!g.IsValid() || bits % 8 != 0) return ERROR_INVALID_DATA;
  // The receiving thread's buffers are its own; the frame is replaced whole
  // under the lock, so the window never sees a half-set-up format.
  inflated_.assign(g.BlockBytes(), 0);
  received_.assign(g.ReceiveBytes(), 0);
  std::vector<uint8_t> frame(g.BlockBytes(), 0);
  std::lock_guard guard(lock_);
  format_.CopyFrom(info);
  format_.header.height = -g.height;
  format_.header.sizeImage = static_cast<uint32_t>(g.FrameBytes());
  geometry_ = g;
  frameBlock_.swap(frame);
  dirty_.clear();
  return 0;
}

int32_t cVkScreenBuffer::ApplyUpdate(const ReceiveAll& receive) {
  uint8_t head[4];
  int32_t rc = receive(head, sizeof head);
  if (rc != 0) return rc;
  uint32_t length = static_cast<uint32_t>(head[0]) | (static_cast<uint32_t>(head[1]) << 8) |
                    (static_cast<uint32_t>(head[2]) << 16) | (static_cast<uint32_t>(head[3]) << 24);
  if (length == 0) return 0;
  if (received_.empty() || length > received_.size()) return ERROR_INVALID_DATA;
  rc = receive(received_.data(), length);
  if (rc != 0) return rc;
  return ApplyBlock({received_.data(), length});
}

int32_t cVkScreenBuffer::ApplyBlock(std::span<const uint8_t> stream) {
  VkScreenGeometry g = Geometry();
  if (!g.IsValid() || inflated_.empty()) return ERROR_INVALID_DATA;
  if (stream.size() > g.ReceiveBytes()) return ERROR_INVALID_DATA;
  size_t length = 0;
  if (inflater_.Inflate(stream, inflated_, &length) != 0) return ERROR_INVALID_DATA;
  std::span<const uint8_t> block(inflated_.data(), length);
  if (!CheckSections(block, g)) return ERROR_INVALID_DATA;

  std::lock_guard guard(lock_);
  if (IsWholeScreen(block)) {
    // The block is the next frame behind its one head: take it as it is.
    frameBlock_.swap(inflated_);
    dirty_.push_back(VkRect{0, 0, geometry_.width, geometry_.height});
    return 0;
  }
  CopySections(block);
  return 0;
}

bool cVkScreenBuffer::IsWholeScreen(std::span<const uint8_t> block) const {
  if (block.size() != frameBlock_.size()) return false;
  const VkRect r = VkReadSectionHead(block.data());
  return r.left == 0 && r.top == 0 && r.right == geometry_.width && r.bottom == geometry_.height;
}

void cVkScreenBuffer::CopySections(std::span<const uint8_t> block) {
  uint8_t* frame = frameBlock_.data() + kHeadBytes;
  size_t stride = geometry_.RowBytes();
  size_t pixel = static_cast<size_t>(geometry_.bytesPerPixel);
  for (size_t at = 0; at < block.size();) {
    VkRect r = VkReadSectionHead(block.data() + at);
    at += kHeadBytes;
    size_t rowBytes = static_cast<size_t>(r.Width()) * pixel;
    for (int32_t k = 0; k < r.Height(); ++k) {
      uint8_t* to = frame + static_cast<size_t>(r.top + k) * stride + static_cast<size_t>(r.left) * pixel;
      if (rowBytes > 0) std::memcpy(to, block.data() + at, rowBytes);
      at += rowBytes;
    }
    dirty_.push_back(r);
  }
}

// Every section lies inside the screen and inside the inflated bytes.
bool cVkScreenBuffer::CheckSections(std::span<const uint8_t> block, const VkScreenGeometry& g) const {
  size_t at = 0;
  while (at < block.size()) {
    if (block.size() - at < kHeadBytes) return false;
    VkRect r = VkReadSectionHead(block.data() + at);
    at += kHeadBytes;
    if (!g.Contains(r)) return false;
    uint64_t bytes =
        static_cast<uint64_t>(r.Width()) * static_cast<uint64_t>(g.bytesPerPixel) * static_cast<uint64_t>(r.Height());
    if (bytes > block.size() - at) return false;
    at += static_cast<size_t>(bytes);
  }
  return true;
}

bool cVkScreenBuffer::HasFormat() const {
  std::lock_guard guard(lock_);
  return geometry_.IsValid();
}

void cVkScreenBuffer::GetSize(int32_t* width, int32_t* height) const {
  std::lock_guard guard(lock_);
  *width = geometry_.width;
  *height = geometry_.height;
}

VkScreenGeometry cVkScreenBuffer::Geometry() const {
  std::lock_guard guard(lock_);
  return geometry_;
}

std::vector<VkRect> cVkScreenBuffer::TakeDirtyRects() {
  std::lock_guard guard(lock_);
  std::vector<VkRect> taken;
  taken.swap(dirty_);
  return taken;
}

void cVkScreenBuffer::ReadFrame(
    const std::function<void(std::span<const uint8_t>, const VkScreenGeometry&, const cVkScreenInfo&)>& reader) const {
  std::lock_guard guard(lock_);
  const std::span<const uint8_t> frame(frameBlock_);
  reader(frame.empty() ? frame : frame.subspan(kHeadBytes), geometry_, format_);
}
