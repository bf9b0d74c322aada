// cVkUpdateBuilder: the agent's copy of the screen as the viewer has it, and
// the region that changed since the last update.
//
// StoreSection compares the captured rows with the frame copy and keeps only
// the part that really differs (a rectangle per run of differing rows), so
// repainting unchanged pixels costs nothing on the wire. The frame copy starts black, as the viewer's does after a new
// screen format, so the two stay equal as long as every update arrives.
// Until the session has taken the new format (ReleaseFormatHold), no update
// is sent, so no section of a new format ever precedes its format record.
//
// SendUpdate holds the frame copy only while it copies the changed rows
// into its block; the capture stores the next sections while the block is
// compressed (large ones on every lane of the builder's job pool) and sent.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "agent/screen/screen_region.h"
#include "common/screen/update_block_builder.h"
#include "platform/core/job_pool.h"

class cVkUpdateBuilder {
 public:
  // `compressWorkers`: threads that compress large blocks beside the sender.
  explicit cVkUpdateBuilder(size_t compressWorkers = vk::JobPool::WorkersForCores());

  // Sets up a black frame copy of W x H x B bytes and the block buffers;
  // empties the changed region and holds updates until the format is taken.
  // 0 or ERROR_INVALID_PARAMETER / ERROR_NOT_ENOUGH_MEMORY.
  int32_t Init(int32_t height, int32_t width, int32_t bytesPerPixel, int32_t compressionLevel);
  // Copies the differing part of a captured section (rows `stride` bytes
  // apart, each (right - left) x B bytes) into the frame copy and adds it to
  // the changed region, one rectangle per run of consecutive differing rows.
  // Sections outside the frame are ignored.
  void StoreSection(const uint8_t* rows, size_t stride, const VkRect& section);
  // Sends the changed region as update messages through `sink` (several when
  // one would not fit the viewer's buffers) and empties it; 0 with nothing
  // to send. A block that could not be compressed is not sent and its area
  // stays changed for the next update.
  int32_t SendUpdate(const VkUpdateSink& sink);
  void ReleaseFormatHold();
  // Called (under the builder's lock; keep it short) when a capture pass
  // left changes to send; none: nobody is told.
  void SetChangeListener(std::function<void()> listener);
  // The capture pass is over: tells the listener when changes are waiting.
  void CaptureFinished();
  // Zeroes the size, sets the level to 6, empties the region, frees buffers.
  void Reset();

  VkScreenGeometry Geometry() const;
  int32_t Level() const;
  // The frame copy (for tests and benchmarks).
  std::vector<uint8_t> FrameCopy() const;
  std::vector<VkRect> ChangedRects() const;

 private:
  // Held by SendUpdate throughout, and by Init and Reset: the block builder
  // is the sender's. Taken before lock_.
  std::mutex sendLock_;
  mutable std::mutex lock_;
  std::unique_ptr<vk::JobPool> pool_;
  std::function<void()> changeListener_;
  VkScreenGeometry geometry_;
  int32_t level_ = 6;
  bool formatHeld_ = false;
  std::vector<uint8_t> frame_;
  cVkScreenRegion changed_;
  cVkUpdateBlockBuilder blocks_;
};
