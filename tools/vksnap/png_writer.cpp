#include "tools/vksnap/png_writer.h"

#include <png.h>

#include <cstdio>
#include <vector>

#include "platform/core/error_codes.h"

namespace vk {
namespace {

// libpng reports errors by longjmp; everything that needs cleaning up lives
// outside the function that calls setjmp.
bool EncodeRows(std::FILE* file, uint32_t width, uint32_t height, std::span<const uint8_t> rgb) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  std::vector<png_bytep> rows(height);
  for (uint32_t y = 0; y < height; ++y)
    rows[y] = const_cast<png_bytep>(rgb.data() + static_cast<size_t>(y) * width * 3);
  bool ok = false;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    ok = true;
  }
  png_destroy_write_struct(&png, &info);
  return ok;
}

}  // namespace

int32_t WritePng(const std::string& path, uint32_t width, uint32_t height, std::span<const uint8_t> rgb) {
  if (width == 0 || height == 0 || rgb.size() != static_cast<size_t>(width) * height * 3)
    return ERROR_INVALID_PARAMETER;
  const std::string temporary = path + ".part";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return ERROR_CANTWRITE;
  const bool encoded = EncodeRows(file, width, height, rgb);
  const bool closed = std::fclose(file) == 0;
  if (!encoded || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return ERROR_CANTWRITE;
  }
  return 0;
}

}  // namespace vk
