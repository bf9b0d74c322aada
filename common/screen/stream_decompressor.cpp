#include "common/screen/stream_decompressor.h"

#include <libdeflate.h>

#include <utility>

#include "platform/core/error_codes.h"

cVkStreamDecompressor::cVkStreamDecompressor() : decompressor_(libdeflate_alloc_decompressor()) {}

cVkStreamDecompressor::~cVkStreamDecompressor() {
  if (decompressor_ != nullptr) libdeflate_free_decompressor(decompressor_);
}

cVkStreamDecompressor::cVkStreamDecompressor(cVkStreamDecompressor&& other) noexcept
    : decompressor_(std::exchange(other.decompressor_, nullptr)) {}

cVkStreamDecompressor& cVkStreamDecompressor::operator=(cVkStreamDecompressor&& other) noexcept {
  if (this != &other) std::swap(decompressor_, other.decompressor_);
  return *this;
}

int32_t cVkStreamDecompressor::Inflate(std::span<const uint8_t> in, std::span<uint8_t> out, size_t* written) {
  *written = 0;
  if (in.empty()) return ERROR_INVALID_DATA;
  if (decompressor_ == nullptr) decompressor_ = libdeflate_alloc_decompressor();
  if (decompressor_ == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  size_t consumed = 0;
  size_t produced = 0;
  const libdeflate_result result =
      libdeflate_zlib_decompress_ex(decompressor_, in.data(), in.size(), out.data(), out.size(), &consumed, &produced);
  if (result != LIBDEFLATE_SUCCESS || consumed != in.size()) return ERROR_INVALID_DATA;
  *written = produced;
  return 0;
}
