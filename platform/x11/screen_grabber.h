// Reads pixels of the X screen (the display named by DISPLAY). Uses MIT-SHM
// with a memfd segment handed to the server (works when the server runs as
// another user, and no one else can map the segment); falls back to plain
// GetImage when the server lacks MIT-SHM 1.2.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/geometry/screen_format.h"

struct xcb_connection_t;

namespace vk::x11 {

// Rows of a captured area, valid until the next Capture or Close.
struct CapturedRows {
  const uint8_t* data = nullptr;
  size_t stride = 0;  // bytes from one row to the next
};

class ScreenGrabber {
 public:
  ScreenGrabber() = default;
  ~ScreenGrabber();
  ScreenGrabber(const ScreenGrabber&) = delete;
  ScreenGrabber& operator=(const ScreenGrabber&) = delete;

  // Connects and reads the screen format; 0 or an error code
  // (ERROR_NOT_READY when there is no display, ERROR_NOT_SUPPORTED for a
  // pixel format that cannot be described).
  int32_t Open();
  void Close();
  bool IsOpen() const { return connection_ != nullptr; }
  bool UsesSharedMemory() const { return shmSize_ != 0; }
  const VkScreenFormat& Format() const { return format_; }
  // W, H and B of the format.
  const VkScreenGeometry& Geometry() const { return geometry_; }

  // Captures the area, which must lie within the format's size. Parts beyond
  // the current screen (which may have shrunk since Open) read as zero. 0 or
  // an error code.
  int32_t Capture(const VkRect& area, CapturedRows& rows);

 private:
  int32_t ReadFormat();
  void AttachSharedMemory();
  int32_t GetArea(int32_t left, int32_t top, int32_t width, int32_t height, CapturedRows& rows);
  void RefreshCurrentSize();

  xcb_connection_t* connection_ = nullptr;
  uint32_t root_ = 0;
  VkScreenFormat format_;
  VkScreenGeometry geometry_;
  int32_t bitsPerPixel_ = 0;
  int32_t scanlinePad_ = 32;
  int32_t currentWidth_ = 0;
  int32_t currentHeight_ = 0;
  uint32_t shmSegment_ = 0;
  uint8_t* shmData_ = nullptr;
  size_t shmSize_ = 0;
  uint8_t* fallback_ = nullptr;  // rows read with GetImage or padded to the area
  size_t fallbackSize_ = 0;
};

}  // namespace vk::x11
