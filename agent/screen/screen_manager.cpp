#include "agent/screen/screen_manager.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <mutex>

#include "agent/screen/capture_wake.h"
#include "agent/screen/screen_region.h"
#include "agent/screen/section_widening.h"
#include "agent/screen/update_builder.h"
#include "agent/service/log_sink.h"
#include "agent/worker/stop_worker_thread.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"
#include "platform/x11/screen_grabber.h"

namespace {

// More pending rectangles than this are captured as their bounding box in
// one request; the frame comparison keeps the wire to what really changed.
constexpr size_t kMaxSeparateSections = 16;

// What a capture step answers once it finds its run ended (no error code).
constexpr int32_t kRunEnded = INT32_MIN;

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

// What is left of `interval` ms counted from `started` (nothing once passed).
std::chrono::milliseconds RestOfInterval(std::chrono::steady_clock::time_point started, int32_t interval) {
  const auto passed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  return std::max(std::chrono::milliseconds(interval) - passed, std::chrono::milliseconds(0));
}

}  // namespace

// What the manager and its capture threads share. A thread holds it to its
// end, so a thread that was let go never sees it freed.
struct cVkScreenManager::Shared {
  Shared(cVkUpdateBuilder& b, cVkScreenManagerLinks l) : builder(b), links(std::move(l)) {}

  bool IsCurrent(uint64_t number) {
    std::lock_guard guard(lock);
    return run == number;
  }

  // Ends the current run: the state is cleared and any thread still in it
  // leaves the state alone from now on.
  void EndRun() {
    std::lock_guard guard(lock);
    ++run;
    if (wake) wake->Cancel();
    wake.reset();
    format = VkScreenFormat{};
    geometry = VkScreenGeometry{};
    initialized = false;
    formatPending = false;
    pending.Clear();
    builder.Reset();
  }

  cVkUpdateBuilder& builder;
  const cVkScreenManagerLinks links;
  mutable std::recursive_mutex lock;
  // Below: the current run's, under the lock.
  uint64_t run = 0;
  std::shared_ptr<cVkCaptureWake> wake;
  VkScreenFormat format;
  VkScreenGeometry geometry;
  bool initialized = false;
  bool formatPending = false;
  cVkScreenRegion pending;
};

// One capture thread: its run, its own X connection, its log.
class cVkScreenManager::CaptureThread {
 public:
  CaptureThread(Shared& shared, uint64_t number) : shared_(shared), number_(number) {
    log_.SetMemLogMask(LOG_ALL);
    log_.SetFileLogMask(LOG_ALL);
  }

  int32_t Run(const std::shared_ptr<cVkCaptureWake>& wake, vk::ManualResetEvent& stop) {
    auto cancel = stop.OnSet([wake] { wake->Cancel(); });
    const cVkScreenCaptureSettings settings =
        shared_.links.settings ? shared_.links.settings() : cVkScreenCaptureSettings{};
    const int32_t interval = VkCaptureIntervalAtUse(settings.captureInterval);
    const int32_t initResult = InitializeScreen(settings);
    // The X connection closes with this object, when the thread ends.
    if (initResult == kRunEnded) return -1;
    if (initResult != 0) {
      log_.LogMsg(LOG_ERROR, initResult, u"An error has occurred while initializing the screenmanager. Errorcode %ld.",
                  initResult);
      WriteLogToFile();
      return initResult;
    }
    while (wake->Wait() && shared_.IsCurrent(number_)) {
      // The interval counts from the start of a capture, so the time a
      // large capture takes is not added to the wait for the next one.
      const auto started = std::chrono::steady_clock::now();
      int32_t result = shared_.links.useInputDesktop ? shared_.links.useInputDesktop(log_) : 0;
      if (result == 0) result = CapturePending();
      if (result == kRunEnded) break;
      // The session sends right after a capture that found changes.
      shared_.builder.CaptureFinished();
      if (result != 0) WriteLogToFile();
      if (stop.WaitFor(RestOfInterval(started, interval))) break;
    }
    return 0;
  }

 private:
  void WriteLogToFile() {
    if (shared_.links.logFile && shared_.IsCurrent(number_)) shared_.links.logFile->AppendLogToFile(log_);
  }

  // Connects (outside the lock: X round trips), then sets up the run's
  // format and the update builder.
  int32_t InitializeScreen(const cVkScreenCaptureSettings& settings) {
    const int32_t opened = grabber_.Open();
    if (opened == ERROR_NOT_SUPPORTED) {
      log_.LogMsg(LOG_ERROR, opened, u"(Init 1) Error getting DI bits. Errorcode %ld.", opened);
      return opened;
    }
    if (opened != 0) {
      log_.LogMsg(LOG_ERROR, opened, u"Error getting desktop DC. Errorcode %ld.", opened);
      return opened;
    }
    std::lock_guard guard(shared_.lock);
    if (shared_.run != number_) return kRunEnded;
    const VkScreenGeometry& g = grabber_.Geometry();
    shared_.pending.Clear();
    const int32_t built =
        shared_.builder.Init(g.height, g.width, g.bytesPerPixel, VkCompressionLevelAtUse(settings.compressionLevel));
    if (built != 0) {
      log_.LogMsg(LOG_ERROR, built, u"Error creating compatible bitmap. Errorcode %ld.", built);
      return built;
    }
    shared_.format = grabber_.Format();
    shared_.geometry = g;
    shared_.initialized = true;
    shared_.formatPending = true;
    return 0;
  }

  int32_t CapturePending() {
    std::vector<VkRect> rects;
    {
      std::lock_guard guard(shared_.lock);
      if (shared_.run != number_) return kRunEnded;
      rects = shared_.pending.Take();
    }
    if (rects.size() > kMaxSeparateSections) rects = {BoundingBox(rects)};
    int32_t result = 0;
    bool failed = false;
    for (const VkRect& rect : rects) {
      result = CaptureSection(rect);
      if (result == kRunEnded) return kRunEnded;
      if (result != 0) {
        failed = true;
        log_.LogMsg(LOG_ERROR, result, u"An error has occurred while capturing a screen section. Errorcode %ld.",
                    result);
      }
    }
    return result != 0 ? result : (failed ? -1 : 0);
  }

  int32_t CaptureSection(VkRect section) {
    const VkScreenGeometry& g = grabber_.Geometry();
    // Whole 4-byte rows where the screen allows; otherwise the rows go unpadded.
    VkWidenSection(section, g.width, g.bytesPerPixel);
    vk::x11::CapturedRows rows;
    const int32_t result = grabber_.Capture(section, rows);
    if (result != 0) {
      log_.LogMsg(LOG_ERROR, result, u"Error in BitBlt. Width %ld, Height %ld. Errorcode %ld.", section.Width(),
                  section.Height(), result);
      return result;
    }
    std::lock_guard guard(shared_.lock);
    if (shared_.run != number_) return kRunEnded;
    shared_.builder.StoreSection(rows.data, rows.stride, section);
    return 0;
  }

  Shared& shared_;
  const uint64_t number_;
  cOrkLog log_;
  vk::x11::ScreenGrabber grabber_;
};

cVkScreenManager::cVkScreenManager(cVkUpdateBuilder& builder, cVkScreenManagerLinks links)
    : shared_(std::make_shared<Shared>(builder, std::move(links))) {}

cVkScreenManager::~cVkScreenManager() {
  thread_.Stop();
  shared_->EndRun();
}

int32_t cVkScreenManager::Start(cOrkLog& log) {
  if (thread_.Running()) return 0;
  uint64_t number = 0;
  auto wake = std::make_shared<cVkCaptureWake>();
  {
    std::lock_guard guard(shared_->lock);
    number = ++shared_->run;
    shared_->wake = wake;
  }
  const int32_t result = thread_.Start([shared = shared_, number, wake](vk::ManualResetEvent& stop) {
    return CaptureThread(*shared, number).Run(wake, stop);
  });
  if (result != 0) {
    shared_->EndRun();
    log.LogMsg(LOG_ERROR, result,
               u"An error has occurred while duplicating the Capture Screen threadhandle. Errorcode %ld.", result);
  }
  return result;
}

int32_t cVkScreenManager::Stop(cOrkLog& log) {
  const int32_t code = StopWorkerThread(log, thread_);
  // Whether the thread ended or was let go, its run is over.
  shared_->EndRun();
  if (code != 0)
    log.LogMsg(LOG_ERROR, code, u"An error has occurred while stopping the Capture Screen thread. Errorcode %ld.",
               code);
  return code;
}

bool cVkScreenManager::Running() const { return thread_.Running(); }

bool cVkScreenManager::TakeFormatPending() {
  std::lock_guard guard(shared_->lock);
  if (!shared_->formatPending) return false;
  shared_->formatPending = false;
  shared_->builder.ReleaseFormatHold();
  return true;
}

std::unique_ptr<cVkScreenInfo> cVkScreenManager::MakeScreenInfo() {
  std::lock_guard guard(shared_->lock);
  if (!shared_->initialized) return nullptr;
  auto info = std::make_unique<cVkScreenInfo>(shared_->format);
  const VkScreenGeometry& g = shared_->geometry;
  info->header.width = g.width;
  info->header.height = g.height;
  info->header.bitCount = static_cast<uint16_t>(8 * g.bytesPerPixel);
  return info;
}

void cVkScreenManager::AddRect(const VkRect& rect) {
  if (rect.IsEmpty() || rect.right <= 0 || rect.bottom <= 0) return;
  std::lock_guard guard(shared_->lock);
  const VkScreenGeometry& g = shared_->geometry;
  if (rect.left > g.width || rect.top > g.height) return;
  shared_->pending.Add(
      {std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, g.width), std::min(rect.bottom, g.height)});
  if (shared_->wake) shared_->wake->Notify();
}

void cVkScreenManager::AddFullScreen() {
  std::lock_guard guard(shared_->lock);
  shared_->pending.Add({0, 0, shared_->geometry.width, shared_->geometry.height});
  if (shared_->wake) shared_->wake->Notify();
}

VkScreenGeometry cVkScreenManager::Geometry() const {
  std::lock_guard guard(shared_->lock);
  return shared_->geometry;
}

std::vector<VkRect> cVkScreenManager::PendingRects() const {
  std::lock_guard guard(shared_->lock);
  return shared_->pending.Rects();
}
