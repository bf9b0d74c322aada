// Inflates one zlib-format stream (RFC 1950) into a buffer of known room,
// the way the agent's compressor writes it: libdeflate reads the whole
// stream at once, several times faster than zlib's uncompress.
//
// A stream is taken only whole: a bad header, bad data, a wrong checksum,
// bytes after its end, or content that would not fit the room are refused.
// A stream may inflate to less than the room; what it wrote is reported.
//
// One decompressor serves one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

struct libdeflate_decompressor;

class cVkStreamDecompressor {
 public:
  cVkStreamDecompressor();
  ~cVkStreamDecompressor();
  cVkStreamDecompressor(cVkStreamDecompressor&& other) noexcept;
  cVkStreamDecompressor& operator=(cVkStreamDecompressor&& other) noexcept;
  cVkStreamDecompressor(const cVkStreamDecompressor&) = delete;
  cVkStreamDecompressor& operator=(const cVkStreamDecompressor&) = delete;

  // Inflates `in` into `out` and sets `written`. Answers 0,
  // ERROR_INVALID_DATA for a stream that is not taken (see above), or
  // ERROR_NOT_ENOUGH_MEMORY when no decompressor could be made.
  int32_t Inflate(std::span<const uint8_t> in, std::span<uint8_t> out, size_t* written);

 private:
  libdeflate_decompressor* decompressor_ = nullptr;
};
