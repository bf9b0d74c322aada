// cVkUpdateBlockBuilder: gathers changed screen sections into update blocks.
//
// A block is the concatenation of sections (a 16-byte head: left, top,
// right, bottom as signed 32-bit values; then the rows, top row first, each
// (right - left) x B bytes), compressed as one zlib stream. Every stream is
// kept within the receiver's compressed buffer (VkScreenGeometry::
// ReceiveBytes, less the 8-byte message head): a block that would not fit
// the block buffer is sent before the next section is added, and a block
// whose stream would not fit is split into smaller ones. Each finished block
// goes to the sink as a complete update message: the head {1, n} (message
// type and stream length, two little-endian DWORDs) and the n stream bytes.
//
// No stream inflates to more than the receiver's block buffer (W x H x B +
// 16). With a job pool, large sections are gathered as bands of rows and a
// large block is cut at section boundaries into one part per lane; the
// parts are compressed side by side and sent in order, each as its own
// update message.
//
// Use: Init once per screen format; per cycle AddSection for each changed
// rectangle, then Flush. A failed compression drops that block and answers
// its error: the caller marks the area for capture again.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "common/screen/stream_compressor.h"
#include "platform/geometry/screen_geometry.h"

namespace vk {
class JobPool;
}

// Sends one update message; answers 0 or the error that stops the update.
using VkUpdateSink = std::function<int32_t(std::span<const uint8_t> message)>;

inline constexpr uint32_t VK_MESSAGE_SCREEN_UPDATE = 1;

class cVkUpdateBlockBuilder {
 public:
  // Sets the geometry and the zlib level (a level outside -1..9 becomes 6)
  // and reserves the block and output buffers. Answers 0, or
  // ERROR_INVALID_PARAMETER for a geometry out of range.
  int32_t Init(const VkScreenGeometry& geometry, int32_t level);
  void SetSink(VkUpdateSink sink) { sink_ = std::move(sink); }
  // Compresses large blocks on the pool's lanes; null: on the caller alone.
  void SetPool(vk::JobPool* pool) { pool_ = pool; }

  // Adds a section whose rows are read from `frame`, the whole frame copy
  // (H rows of W x B bytes). Answers ERROR_INVALID_PARAMETER for a rectangle
  // outside the screen, or the error of sending the block gathered so far.
  int32_t AddSection(const VkRect& rect, const uint8_t* frame);
  // The same with the section's own rows, `rowStride` bytes apart.
  int32_t AddSectionRows(const VkRect& rect, const uint8_t* rows, size_t rowStride);
  // Compresses and sends what was gathered; with nothing gathered nothing
  // is sent.
  int32_t Flush();
  // Drops what was gathered.
  void Discard();

  const VkScreenGeometry& Geometry() const { return geometry_; }
  int32_t Level() const { return level_; }
  // Bytes gathered for the next block.
  size_t PendingBytes() const { return used_; }
  // Room for one stream.
  size_t StreamRoom() const { return streamRoom_; }
  // Lowers the room for one stream, for a receiver with a smaller buffer.
  void LimitStreamRoom(size_t room) { streamRoom_ = std::min(room, output_.size() - 8); }

 private:
  // One lane's stream of a block cut for parallel compression.
  struct Part {
    std::span<const uint8_t> block;
    std::vector<size_t> sectionStarts;
    cVkStreamCompressor compressor;
    std::vector<uint8_t> output;  // message head + stream
    size_t length = 0;
    int32_t result = 0;
  };

  bool Parallel() const;
  int32_t AddBand(const VkRect& rect, const uint8_t* rows, size_t rowStride);
  int32_t SendParallel(std::span<const uint8_t> block, std::span<const size_t> sectionStarts);
  void CutParts(std::span<const uint8_t> block, std::span<const size_t> sectionStarts);
  int32_t SendMessage(uint8_t* message, size_t length);
  int32_t Send(std::span<const uint8_t> block, std::span<const size_t> sectionStarts);
  int32_t SendHalves(std::span<const uint8_t> block, std::span<const size_t> sectionStarts);
  int32_t SendSplitSection(std::span<const uint8_t> section);

  VkScreenGeometry geometry_;
  int32_t level_ = 6;
  std::vector<uint8_t> block_;  // W x H x B + 16, and room for the heads of bands
  size_t used_ = 0;
  std::vector<size_t> sectionStarts_;
  std::vector<uint8_t> output_;  // message head + stream
  size_t streamRoom_ = 0;
  cVkStreamCompressor compressor_;
  vk::JobPool* pool_ = nullptr;
  std::vector<Part> parts_;
  VkUpdateSink sink_;
};

// Writes a section head into 16 bytes.
void VkWriteSectionHead(uint8_t* out, const VkRect& rect);
VkRect VkReadSectionHead(const uint8_t* in);
