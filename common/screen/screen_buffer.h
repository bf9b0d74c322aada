// cVkScreenBuffer: the console's copy of a remote screen, fed by the
// viewing connection (painting is the viewer window's).
//
// A screen format sets up the frame copy; each update block is inflated and
// its sections copied into the frame, and their rectangles collect as the
// dirty list that the window takes when it repaints. Nothing from the other
// end is trusted: a format out of range, an update before any format, a
// stream longer than the compressed buffer, a block that does not inflate
// whole (bad data or checksum, bytes after its end) or inflates beyond the
// block buffer, and a section outside the screen, with a
// negative size or running past the data are refused with
// ERROR_INVALID_DATA and leave the frame as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

#include "platform/geometry/screen_geometry.h"
#include "common/screen/screen_info.h"
#include "common/screen/stream_decompressor.h"

class cVkScreenBuffer {
 public:
  // Receives exactly `length` bytes into `buffer`; answers 0 or the error.
  using ReceiveAll = std::function<int32_t(void* buffer, size_t length)>;

  // Takes over a new screen format and sets up the buffers (the frame starts
  // black). The stored header is top-down (negative height) with the image
  // size of the frame.
  int32_t ApplyScreenInfo(const cVkScreenInfo& info);
  // Reads one update from the connection: a 32-bit length (0: no change),
  // then the stream, and applies it. Answers 0, the receive error, or
  // ERROR_INVALID_DATA (a length beyond the compressed buffer is refused
  // before anything is read).
  int32_t ApplyUpdate(const ReceiveAll& receive);
  // Applies one compressed update block.
  int32_t ApplyBlock(std::span<const uint8_t> stream);

  bool HasFormat() const;
  void GetSize(int32_t* width, int32_t* height) const;
  VkScreenGeometry Geometry() const;
  // Takes and empties the rectangles changed since the last call.
  std::vector<VkRect> TakeDirtyRects();
  // Runs `reader(frame, geometry, format)` under the lock; the frame holds H
  // rows of W x B bytes, top row first.
  void ReadFrame(
      const std::function<void(std::span<const uint8_t>, const VkScreenGeometry&, const cVkScreenInfo&)>& reader) const;

 private:
  bool CheckSections(std::span<const uint8_t> block, const VkScreenGeometry& g) const;
  // One section covering the screen (under the lock).
  bool IsWholeScreen(std::span<const uint8_t> block) const;
  void CopySections(std::span<const uint8_t> block);

  mutable std::mutex lock_;
  VkScreenGeometry geometry_;
  cVkScreenInfo format_;
  // The frame behind room for one section head, as large as the block
  // buffer: a block that is one whole-screen section becomes the frame by
  // trading the two buffers, without copying its rows.
  std::vector<uint8_t> frameBlock_;
  std::vector<VkRect> dirty_;
  // Used by the receiving thread only.
  cVkStreamDecompressor inflater_;
  std::vector<uint8_t> inflated_;
  std::vector<uint8_t> received_;
};
