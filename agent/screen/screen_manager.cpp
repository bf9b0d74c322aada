#include "agent/screen/screen_manager.h"

#include <algorithm>
#include <chrono>

#include "agent/screen/section_widening.h"
#include "agent/screen/update_builder.h"
#include "agent/service/log_sink.h"
#include "agent/worker/stop_worker_thread.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"
#include "platform/x11/screen_grabber.h"

// What the capture thread alone uses; the thread holds it, so a thread that
// was let go after a stop time-out never touches freed memory.
struct cVkScreenManager::CaptureState {
  vk::x11::ScreenGrabber grabber;
  int32_t captureInterval = 100;
};

namespace {

// More pending rectangles than this are captured as their bounding box in
// one request; the frame comparison keeps the wire to what really changed.
constexpr size_t kMaxSeparateSections = 16;

VkRect BoundingBox(const std::vector<VkRect>& rects) {
  VkRect box = rects.front();
  for (const VkRect& r : rects) {
    box.left = std::min(box.left, r.left);
    box.top = std::min(box.top, r.top);
    box.right = std::max(box.right, r.right);
    box.bottom = std::max(box.bottom, r.bottom);
  }
  return box;
}

}  // namespace

cVkScreenManager::cVkScreenManager(cVkUpdateBuilder& builder, cVkScreenManagerLinks links)
    : builder_(builder), links_(std::move(links)) {}

cVkScreenManager::~cVkScreenManager() { thread_.Stop(); }

int32_t cVkScreenManager::Start(cOrkLog& log) {
  if (thread_.Running()) return 0;
  const int32_t result = thread_.Start([this](vk::ManualResetEvent& stop) { return CaptureThread(stop); });
  if (result != 0) {
    log.LogMsg(LOG_ERROR, result,
               u"An error has occurred while duplicating the Capture Screen threadhandle. Errorcode %ld.", result);
  }
  return result;
}

int32_t cVkScreenManager::Stop(cOrkLog& log) {
  const int32_t code = StopWorkerThread(log, thread_);
  if (code != 0)
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while stopping the Capture Screen thread. Errorcode %ld.",
               code);
  return code;
}

bool cVkScreenManager::Running() const { return thread_.Running(); }

bool cVkScreenManager::TakeFormatPending() {
  std::lock_guard guard(lock_);
  if (!formatPending_) return false;
  formatPending_ = false;
  builder_.ReleaseFormatHold();
  return true;
}

std::unique_ptr<cVkScreenInfo> cVkScreenManager::MakeScreenInfo() {
  std::lock_guard guard(lock_);
  if (!initialized_) return nullptr;
  auto info = std::make_unique<cVkScreenInfo>();
  info->trueColour = format_.trueColour ? 1 : 0;
  const vk::BitmapInfoHeader& h = format_.header;
  info->header.size = h.size;
  info->header.width = geometry_.width;
  info->header.height = geometry_.height;
  info->header.planes = h.planes;
  info->header.bitCount = static_cast<uint16_t>(8 * geometry_.bytesPerPixel);
  info->header.compression = h.compression;
  info->header.sizeImage = h.sizeImage;
  info->header.xPelsPerMeter = h.xPelsPerMeter;
  info->header.yPelsPerMeter = h.yPelsPerMeter;
  info->header.clrUsed = h.clrUsed;
  info->header.clrImportant = h.clrImportant;
  for (size_t i = 0; i < cVkScreenInfo::kColourEntries; ++i) {
    const uint32_t c = format_.colours[i];
    info->colours[i] = {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16),
                        static_cast<uint8_t>(c >> 24)};
  }
  return info;
}

void cVkScreenManager::AddRect(const VkRect& rect) {
  if (rect.left >= rect.right || rect.top >= rect.bottom || rect.right <= 0 || rect.bottom <= 0) return;
  {
    std::lock_guard guard(lock_);
    if (rect.left > geometry_.width || rect.top > geometry_.height) return;
    const VkRect clipped{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, geometry_.width),
                         std::min(rect.bottom, geometry_.height)};
    pending_.Add(clipped);
  }
  pendingChanged_.notify_all();
}

void cVkScreenManager::AddFullScreen() {
  {
    std::lock_guard guard(lock_);
    pending_.Add({0, 0, geometry_.width, geometry_.height});
  }
  pendingChanged_.notify_all();
}

VkScreenGeometry cVkScreenManager::Geometry() const {
  std::lock_guard guard(lock_);
  return geometry_;
}

std::vector<VkRect> cVkScreenManager::PendingRects() const {
  std::lock_guard guard(lock_);
  return pending_.Rects();
}

int32_t cVkScreenManager::CaptureThread(vk::ManualResetEvent& stop) {
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  log.SetFileLogMask(LOG_ALL);
  const cVkScreenCaptureSettings settings = links_.settings ? links_.settings() : cVkScreenCaptureSettings{};
  auto state = std::make_shared<CaptureState>();
  state->captureInterval = VkCaptureIntervalAtUse(settings.captureInterval);

  const int32_t initResult = InitializeScreen(log, *state, settings);
  if (initResult != 0) {
    log.LogMsg(LOG_ERROR, initResult, u"An error has occurred while initializing the screenmanager. Errorcode %ld.",
               initResult);
    if (links_.logFile) links_.logFile->AppendLogToFile(log);
  } else {
    // Wake the pending wait when the stop event is set.
    auto wake = stop.OnSet([this] { pendingChanged_.notify_all(); });
    while (WaitForPending(stop)) {
      int32_t result = links_.useInputDesktop ? links_.useInputDesktop(log) : 0;
      if (result == 0) result = CapturePending(log, *state);
      if (result != 0 && links_.logFile) links_.logFile->AppendLogToFile(log);
      if (stop.WaitFor(std::chrono::milliseconds(state->captureInterval))) break;
    }
  }
  ReleaseScreen(*state);
  return initResult;
}

bool cVkScreenManager::WaitForPending(vk::ManualResetEvent& stop) {
  std::unique_lock guard(lock_);
  pendingChanged_.wait(guard, [&] { return stop.IsSet() || !pending_.Empty(); });
  return !stop.IsSet();
}

int32_t cVkScreenManager::InitializeScreen(cOrkLog& log, CaptureState& state,
                                           const cVkScreenCaptureSettings& settings) {
  std::lock_guard guard(lock_);
  const int32_t opened = state.grabber.Open();
  if (opened == ERROR_NOT_SUPPORTED) {
    log.LogMsg(LOG_ERROR, opened, u"(Init 1) Error getting DI bits. Errorcode %ld.", opened);
    return opened;
  }
  if (opened != 0) {
    log.LogMsg(LOG_ERROR, opened, u"Error getting desktop DC. Errorcode %ld.", opened);
    return opened;
  }
  const vk::ScreenFormat& format = state.grabber.Format();
  pending_.Clear();
  const int32_t built = builder_.Init(format.height, format.width, format.bytesPerPixel,
                                      VkCompressionLevelAtUse(settings.compressionLevel));
  if (built != 0) {
    log.LogMsg(LOG_ERROR, built, u"Error creating compatible bitmap. Errorcode %ld.", built);
    state.grabber.Close();
    return built;
  }
  format_ = format;
  geometry_ = {format.width, format.height, format.bytesPerPixel};
  initialized_ = true;
  formatPending_ = true;
  return 0;
}

int32_t cVkScreenManager::CapturePending(cOrkLog& log, CaptureState& state) {
  std::lock_guard guard(lock_);
  std::vector<VkRect> rects = pending_.Take();
  if (rects.size() > kMaxSeparateSections) rects = {BoundingBox(rects)};
  int32_t result = 0;
  bool failed = false;
  for (const VkRect& rect : rects) {
    result = CaptureSection(log, state, rect);
    if (result != 0) {
      failed = true;
      log.LogMsg(LOG_ERROR, result, u"An error has occurred while capturing a screen section. Errorcode %ld.", result);
    }
  }
  return result != 0 ? result : (failed ? -1 : 0);
}

int32_t cVkScreenManager::CaptureSection(cOrkLog& log, CaptureState& state, VkRect section) {
  // Whole 4-byte rows where the screen allows; otherwise the rows go unpadded.
  VkWidenSection(section, geometry_.width, geometry_.bytesPerPixel);
  vk::x11::CapturedRows rows;
  const int32_t result = state.grabber.Capture(section.left, section.top, section.right, section.bottom, rows);
  if (result != 0) {
    log.LogMsg(LOG_ERROR, result, u"Error in BitBlt. Width %ld, Height %ld. Errorcode %ld.", section.Width(),
               section.Height(), result);
    return result;
  }
  builder_.StoreSection(rows.data, rows.stride, section);
  return 0;
}

void cVkScreenManager::ReleaseScreen(CaptureState& state) {
  std::lock_guard guard(lock_);
  state.grabber.Close();
  geometry_ = VkScreenGeometry{};
  initialized_ = false;
  formatPending_ = false;
  pending_.Clear();
  builder_.Reset();
}
