// One zlib-format stream (RFC 1950) from one buffer, as the viewer's
// uncompress reads it. libdeflate writes the stream: it compresses whole
// buffers faster than zlib's compress2, at a level chosen so that the bytes
// stay about those of zlib's level. Levels are zlib's (-1 to 9; -1 is
// zlib's default, 6); at 9 zlib itself compresses.
//
// One compressor serves one thread at a time; each compressing thread has
// its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

struct libdeflate_compressor;

class cVkStreamCompressor {
 public:
  // No compressor yet (Valid() is false).
  cVkStreamCompressor() = default;
  explicit cVkStreamCompressor(int32_t level);
  ~cVkStreamCompressor();
  cVkStreamCompressor(cVkStreamCompressor&& other) noexcept;
  cVkStreamCompressor& operator=(cVkStreamCompressor&& other) noexcept;
  cVkStreamCompressor(const cVkStreamCompressor&) = delete;
  cVkStreamCompressor& operator=(const cVkStreamCompressor&) = delete;

  bool Valid() const { return compressor_ != nullptr || zlibOnly_; }
  // Writes the stream of `in` into `out` and sets `written`. Answers 0,
  // ERROR_INSUFFICIENT_BUFFER when the stream would not fit `out`, or
  // ERROR_NOT_ENOUGH_MEMORY when no compressor could be made.
  int32_t Compress(std::span<const uint8_t> in, std::span<uint8_t> out, size_t* written);
  // The most bytes a stream of `inputBytes` can take.
  static size_t Bound(size_t inputBytes);

 private:
  libdeflate_compressor* compressor_ = nullptr;
  int32_t zlibLevel_ = 6;
  bool zlibOnly_ = false;  // zlib writes every stream
};

// The level libdeflate uses for a zlib level; -1: zlib's own.
int32_t VkDeflateLevelFor(int32_t zlibLevel);
