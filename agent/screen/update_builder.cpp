#include "agent/screen/update_builder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/core/error_codes.h"

namespace {

// First and last differing byte of two equal-length rows (the rows differ).
void DifferingSpan(const uint8_t* a, const uint8_t* b, size_t length, size_t& first, size_t& last) {
  first = 0;
  while (first + 8 <= length && std::memcmp(a + first, b + first, 8) == 0) first += 8;
  while (a[first] == b[first]) ++first;
  last = length - 1;
  while (last >= first + 8 && std::memcmp(a + last - 7, b + last - 7, 8) == 0) last -= 8;
  while (a[last] == b[last]) --last;
}

// Gathers the differing rows of a section into bands of consecutive rows,
// each the smallest rectangle that holds its rows' differing pixels, and
// adds them to the changed region. Unchanged rows end a band, so the
// untouched stretches beside and between lines of text are not sent again;
// past kMaxBands a band runs on over unchanged rows, which keeps the region
// small for changes spread thinly over many rows.
class ChangedBands {
 public:
  explicit ChangedBands(cVkScreenRegion& region) : region_(region) {}
  ~ChangedBands() { Close(); }
  ChangedBands(const ChangedBands&) = delete;
  ChangedBands& operator=(const ChangedBands&) = delete;

  void RowChanged(int32_t y, int32_t left, int32_t right) {
    if (!open_) {
      band_ = {left, y, right, y + 1};
      open_ = true;
      return;
    }
    band_.left = std::min(band_.left, left);
    band_.right = std::max(band_.right, right);
    band_.bottom = y + 1;
  }

  void RowUnchanged() {
    if (count_ + 1 < kMaxBands) Close();
  }

 private:
  static constexpr int32_t kMaxBands = 64;

  void Close() {
    if (!open_) return;
    region_.Add(band_);
    open_ = false;
    ++count_;
  }

  cVkScreenRegion& region_;
  VkRect band_{};
  bool open_ = false;
  int32_t count_ = 0;
};

}  // namespace

cVkUpdateBuilder::cVkUpdateBuilder(size_t compressWorkers) : pool_(std::make_unique<vk::JobPool>(compressWorkers)) {}

int32_t cVkUpdateBuilder::Init(int32_t height, int32_t width, int32_t bytesPerPixel, int32_t compressionLevel) {
  std::lock_guard sending(sendLock_);
  std::lock_guard guard(lock_);
  const VkScreenGeometry geometry{width, height, bytesPerPixel};
  if (!geometry.IsValid()) return ERROR_INVALID_PARAMETER;
  const int32_t result = blocks_.Init(geometry, compressionLevel);
  if (result != 0) return result;
  blocks_.SetPool(pool_.get());
  try {
    frame_.assign(geometry.FrameBytes(), 0);
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  geometry_ = geometry;
  level_ = blocks_.Level();
  changed_.Clear();
  formatHeld_ = true;
  return 0;
}

void cVkUpdateBuilder::StoreSection(const uint8_t* rows, size_t stride, const VkRect& section) {
  std::lock_guard guard(lock_);
  if (!geometry_.IsValid() || !geometry_.Contains(section) || section.Width() == 0 || section.Height() == 0) return;
  const size_t bpp = static_cast<size_t>(geometry_.bytesPerPixel);
  const size_t rowBytes = static_cast<size_t>(section.Width()) * bpp;
  const size_t frameStride = geometry_.RowBytes();
  uint8_t* frameAt =
      frame_.data() + static_cast<size_t>(section.top) * frameStride + static_cast<size_t>(section.left) * bpp;
  ChangedBands bands(changed_);
  for (int32_t y = 0; y < section.Height(); ++y) {
    const uint8_t* captured = rows + static_cast<size_t>(y) * stride;
    uint8_t* copy = frameAt + static_cast<size_t>(y) * frameStride;
    if (std::memcmp(captured, copy, rowBytes) == 0) {
      bands.RowUnchanged();
      continue;
    }
    size_t first = 0, last = 0;
    DifferingSpan(captured, copy, rowBytes, first, last);
    std::memcpy(copy + first, captured + first, last - first + 1);
    bands.RowChanged(section.top + y, section.left + static_cast<int32_t>(first / bpp),
                     section.left + static_cast<int32_t>(last / bpp) + 1);
  }
}

int32_t cVkUpdateBuilder::SendUpdate(const VkUpdateSink& sink) {
  std::lock_guard sending(sendLock_);
  // A failure of the sink ends the update; any other failure is one of
  // compression, whose area is sent again with the next update.
  int32_t sinkError = 0;
  blocks_.SetSink([&](std::span<const uint8_t> message) {
    sinkError = sink(message);
    return sinkError;
  });
  std::vector<VkRect> rects;
  int32_t result = 0;
  {
    std::lock_guard guard(lock_);
    if (!formatHeld_ && geometry_.IsValid()) rects = changed_.Take();
    for (const VkRect& rect : rects) {
      result = blocks_.AddSection(rect, frame_.data());
      if (result != 0) break;
    }
  }
  // The rows are in the block now: compressing and sending needs no frame.
  if (result == 0) result = blocks_.Flush();
  blocks_.Discard();
  blocks_.SetSink(nullptr);
  if (result == 0 || sinkError != 0) return sinkError;
  std::lock_guard guard(lock_);
  for (const VkRect& rect : rects) changed_.Add(rect);
  return 0;
}

void cVkUpdateBuilder::SetChangeListener(std::function<void()> listener) {
  std::lock_guard guard(lock_);
  changeListener_ = std::move(listener);
}

void cVkUpdateBuilder::CaptureFinished() {
  std::lock_guard guard(lock_);
  if (changeListener_ && !formatHeld_ && !changed_.Empty()) changeListener_();
}

void cVkUpdateBuilder::ReleaseFormatHold() {
  std::lock_guard guard(lock_);
  formatHeld_ = false;
}

void cVkUpdateBuilder::Reset() {
  std::lock_guard sending(sendLock_);
  std::lock_guard guard(lock_);
  geometry_ = VkScreenGeometry{};
  level_ = 6;
  changed_.Clear();
  frame_.clear();
  frame_.shrink_to_fit();
  blocks_ = cVkUpdateBlockBuilder{};
  formatHeld_ = false;
}

VkScreenGeometry cVkUpdateBuilder::Geometry() const {
  std::lock_guard guard(lock_);
  return geometry_;
}

int32_t cVkUpdateBuilder::Level() const {
  std::lock_guard guard(lock_);
  return level_;
}

std::vector<uint8_t> cVkUpdateBuilder::FrameCopy() const {
  std::lock_guard guard(lock_);
  return frame_;
}

std::vector<VkRect> cVkUpdateBuilder::ChangedRects() const {
  std::lock_guard guard(lock_);
  return changed_.Rects();
}
