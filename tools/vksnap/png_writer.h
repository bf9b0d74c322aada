// Writing an RGB picture as a PNG file, atomically (a temporary file beside
// the target, renamed over it when complete).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vk {

// `rgb` holds width * height RGB triplets, top row first. Answers 0, or
// ERROR_INVALID_PARAMETER for a size that does not match, ERROR_CANTWRITE
// when the file cannot be written.
int32_t WritePng(const std::string& path, uint32_t width, uint32_t height, std::span<const uint8_t> rgb);

}  // namespace vk
