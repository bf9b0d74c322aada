#include "platform/x11/screen_grabber.h"

#include <sys/mman.h>
#include <unistd.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/core/error_codes.h"
#include "platform/x11/display_target.h"
#include "platform/x11/visual_format.h"

namespace vk::x11 {
namespace {

xcb_screen_t* ScreenOfConnection(xcb_connection_t* connection, int number) {
  auto it = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (; it.rem; --number, xcb_screen_next(&it)) {
    if (number == 0) return it.data;
  }
  return nullptr;
}

// The display the agent serves, with its server's cookie when it has one.
xcb_connection_t* ConnectToTarget(int* number) {
  const DisplayTarget target = CurrentDisplayTarget();
  if (target.kind == DisplayTarget::Kind::NoDisplay) return nullptr;
  if (target.kind == DisplayTarget::Kind::FromEnvironment) return xcb_connect(nullptr, number);
  std::string name = target.cookie.name, data = target.cookie.data;
  xcb_auth_info_t auth{static_cast<int>(name.size()), name.data(), static_cast<int>(data.size()), data.data()};
  return xcb_connect_to_display_with_auth_info(target.name.c_str(), &auth, number);
}

}  // namespace

ScreenGrabber::~ScreenGrabber() { Close(); }

int32_t ScreenGrabber::Open() {
  Close();
  int number = 0;
  connection_ = ConnectToTarget(&number);
  if (!connection_) return ERROR_NOT_READY;
  if (xcb_connection_has_error(connection_)) {
    xcb_disconnect(connection_);
    connection_ = nullptr;
    return ERROR_NOT_READY;
  }
  xcb_screen_t* screen = ScreenOfConnection(connection_, number);
  if (!screen) {
    Close();
    return ERROR_NOT_READY;
  }
  root_ = screen->root;
  VisualFormat visual;
  int32_t result = DescribeRootVisual(connection_, screen, visual);
  if (result != 0) {
    Close();
    return result;
  }
  format_ = visual.format;
  geometry_ = format_.Geometry();
  bitsPerPixel_ = visual.bitsPerPixel;
  scanlinePad_ = visual.scanlinePad;
  currentWidth_ = geometry_.width;
  currentHeight_ = geometry_.height;
  AttachSharedMemory();
  return 0;
}

void ScreenGrabber::Close() {
  if (connection_ && shmSize_ != 0) xcb_shm_detach(connection_, shmSegment_);
  if (shmData_) munmap(shmData_, shmSize_);
  shmData_ = nullptr;
  shmSize_ = 0;
  if (connection_) xcb_disconnect(connection_);
  connection_ = nullptr;
  std::free(fallback_);
  fallback_ = nullptr;
  fallbackSize_ = 0;
  format_ = VkScreenFormat{};
  geometry_ = VkScreenGeometry{};
}

// MIT-SHM 1.2 takes the segment as a file descriptor: a memfd that only this
// process and the server can reach, whichever user the server runs as.
void ScreenGrabber::AttachSharedMemory() {
  auto version = xcb_shm_query_version_reply(connection_, xcb_shm_query_version(connection_), nullptr);
  const bool fdCapable =
      version && (version->major_version > 1 || (version->major_version == 1 && version->minor_version >= 2));
  std::free(version);
  if (!fdCapable) return;
  const size_t stride = static_cast<size_t>(geometry_.width) * bitsPerPixel_ / 8 + 4;
  const size_t size = stride * static_cast<size_t>(geometry_.height);
  const int fd = memfd_create("vk-screen", MFD_CLOEXEC);
  if (fd < 0) return;
  if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
    close(fd);
    return;
  }
  void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (data == MAP_FAILED) {
    close(fd);
    return;
  }
  const uint32_t segment = xcb_generate_id(connection_);
  // The request takes over the descriptor and closes it once sent.
  xcb_generic_error_t* error = xcb_request_check(connection_, xcb_shm_attach_fd_checked(connection_, segment, fd, 0));
  if (error) {
    std::free(error);
    munmap(data, size);
    return;
  }
  shmSegment_ = segment;
  shmData_ = static_cast<uint8_t*>(data);
  shmSize_ = size;
}

int32_t ScreenGrabber::GetArea(int32_t left, int32_t top, int32_t width, int32_t height, CapturedRows& rows) {
  const size_t stride =
      ((static_cast<size_t>(width) * bitsPerPixel_ + scanlinePad_ - 1) / scanlinePad_) * scanlinePad_ / 8;
  xcb_generic_error_t* error = nullptr;
  if (shmSize_ != 0 && stride * height <= shmSize_) {
    auto cookie = xcb_shm_get_image(connection_, root_, static_cast<int16_t>(left), static_cast<int16_t>(top),
                                    static_cast<uint16_t>(width), static_cast<uint16_t>(height), ~0u,
                                    XCB_IMAGE_FORMAT_Z_PIXMAP, shmSegment_, 0);
    auto reply = xcb_shm_get_image_reply(connection_, cookie, &error);
    std::free(reply);
    if (!reply) {
      std::free(error);
      return xcb_connection_has_error(connection_) ? ERROR_NOT_READY : ERROR_GEN_FAILURE;
    }
    rows = {shmData_, stride};
    return 0;
  }
  auto cookie =
      xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, static_cast<int16_t>(left),
                    static_cast<int16_t>(top), static_cast<uint16_t>(width), static_cast<uint16_t>(height), ~0u);
  auto reply = xcb_get_image_reply(connection_, cookie, &error);
  if (!reply) {
    std::free(error);
    return xcb_connection_has_error(connection_) ? ERROR_NOT_READY : ERROR_GEN_FAILURE;
  }
  const size_t length = static_cast<size_t>(xcb_get_image_data_length(reply));
  const size_t needed = stride * height;
  if (length < needed) {
    std::free(reply);
    return ERROR_INVALID_DATA;
  }
  if (fallbackSize_ < needed) {
    std::free(fallback_);
    fallback_ = static_cast<uint8_t*>(std::malloc(needed));
    fallbackSize_ = fallback_ ? needed : 0;
    if (!fallback_) {
      std::free(reply);
      return ERROR_NOT_ENOUGH_MEMORY;
    }
  }
  std::memcpy(fallback_, xcb_get_image_data(reply), needed);
  std::free(reply);
  rows = {fallback_, stride};
  return 0;
}

void ScreenGrabber::RefreshCurrentSize() {
  auto reply = xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, root_), nullptr);
  if (!reply) return;
  currentWidth_ = reply->width;
  currentHeight_ = reply->height;
  std::free(reply);
}

int32_t ScreenGrabber::Capture(const VkRect& area, CapturedRows& rows) {
  if (!connection_) return ERROR_NOT_READY;
  if (area.IsEmpty() || !geometry_.Contains(area)) return ERROR_INVALID_PARAMETER;
  const auto [left, top, right, bottom] = area;
  if (right <= currentWidth_ && bottom <= currentHeight_) {
    const int32_t result = GetArea(left, top, right - left, bottom - top, rows);
    if (result != ERROR_GEN_FAILURE) return result;
    RefreshCurrentSize();  // the screen may have shrunk under us
  }
  // The area reaches past the current screen: zero rows, then the visible part.
  const size_t bytes = static_cast<size_t>(bitsPerPixel_ / 8);
  const size_t outStride = static_cast<size_t>(right - left) * bytes;
  const size_t outSize = outStride * static_cast<size_t>(bottom - top);
  uint8_t* out = static_cast<uint8_t*>(std::calloc(1, outSize));
  if (!out) return ERROR_NOT_ENOUGH_MEMORY;
  const int32_t visibleRight = std::min(right, currentWidth_);
  const int32_t visibleBottom = std::min(bottom, currentHeight_);
  if (visibleRight > left && visibleBottom > top) {
    CapturedRows visible;
    const int32_t result = GetArea(left, top, visibleRight - left, visibleBottom - top, visible);
    if (result != 0) {
      std::free(out);
      return result;
    }
    for (int32_t y = 0; y < visibleBottom - top; ++y) {
      std::memcpy(out + y * outStride, visible.data + y * visible.stride,
                  static_cast<size_t>(visibleRight - left) * bytes);
    }
  }
  std::free(fallback_);
  fallback_ = out;
  fallbackSize_ = outSize;
  rows = {fallback_, outStride};
  return 0;
}

}  // namespace vk::x11
