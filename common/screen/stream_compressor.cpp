#include "common/screen/stream_compressor.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <utility>

#include "platform/core/error_codes.h"

namespace {

// zlib levels to libdeflate's, measured on captured desktops (terminals,
// text, flat windows at 1920x1080): each takes less CPU than zlib at that
// level and at most about 5 % more bytes (often fewer). At 9 libdeflate is
// either larger by more than that or slower: zlib stays (kZlibItself).
constexpr int32_t kZlibItself = -1;
constexpr int32_t kDeflateLevels[10] = {0, 1, 1, 1, 5, 6, 7, 7, 8, kZlibItself};

int32_t ZlibLevelAtUse(int32_t level) { return level < -1 || level > 9 ? 6 : level; }

}  // namespace

int32_t VkDeflateLevelFor(int32_t zlibLevel) {
  const int32_t level = ZlibLevelAtUse(zlibLevel);
  return kDeflateLevels[level < 0 ? 6 : level];
}

cVkStreamCompressor::cVkStreamCompressor(int32_t level) : zlibLevel_(ZlibLevelAtUse(level)) {
  const int32_t deflateLevel = VkDeflateLevelFor(level);
  if (deflateLevel != kZlibItself) compressor_ = libdeflate_alloc_compressor(deflateLevel);
  zlibOnly_ = deflateLevel == kZlibItself;
}

cVkStreamCompressor::~cVkStreamCompressor() {
  if (compressor_) libdeflate_free_compressor(compressor_);
}

cVkStreamCompressor::cVkStreamCompressor(cVkStreamCompressor&& other) noexcept
    : compressor_(std::exchange(other.compressor_, nullptr)),
      zlibLevel_(other.zlibLevel_),
      zlibOnly_(std::exchange(other.zlibOnly_, false)) {}

cVkStreamCompressor& cVkStreamCompressor::operator=(cVkStreamCompressor&& other) noexcept {
  if (this != &other) {
    if (compressor_) libdeflate_free_compressor(compressor_);
    compressor_ = std::exchange(other.compressor_, nullptr);
    zlibLevel_ = other.zlibLevel_;
    zlibOnly_ = std::exchange(other.zlibOnly_, false);
  }
  return *this;
}

int32_t cVkStreamCompressor::Compress(std::span<const uint8_t> in, std::span<uint8_t> out, size_t* written) {
  *written = 0;
  if (!Valid()) return ERROR_NOT_ENOUGH_MEMORY;
  const size_t length =
      compressor_ ? libdeflate_zlib_compress(compressor_, in.data(), in.size(), out.data(), out.size()) : 0;
  if (length != 0) {
    *written = length;
    return 0;
  }
  // libdeflate wants some slack beyond the stream; zlib fills the room to
  // its last byte, which matters for incompressible blocks at the limit.
  uLongf zlibLength = static_cast<uLongf>(out.size());
  if (compress2(out.data(), &zlibLength, in.data(), static_cast<uLong>(in.size()), zlibLevel_) != Z_OK)
    return ERROR_INSUFFICIENT_BUFFER;
  *written = zlibLength;
  return 0;
}

size_t cVkStreamCompressor::Bound(size_t inputBytes) {
  return std::max<size_t>(libdeflate_zlib_compress_bound(nullptr, inputBytes),
                          compressBound(static_cast<uLong>(inputBytes)));
}
