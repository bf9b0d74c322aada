// Fuzz target: the console's receive path. The input is what an agent sends
// on the update connection (command codes, screen formats, update streams,
// cursor indices, closing logs); it is handled until it runs out or a
// message is refused.
#include <cstdint>
#include <cstring>

#include "common/archive/register_archive.h"
#include "common/mfclog/mfc_log.h"
#include "common/screen/register_screen.h"
#include "common/viewer/session_receiver.h"
#include "log/orklog.h"

namespace {

struct Events : iVkSessionEvents {
  void OnScreenFormat() override {}
  void OnScreenData() override {}
  void OnCursor(uint32_t) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = [] {
    VkRegisterArchiveClasses();
    VkRegisterScreenClasses();
    VkRegisterMfcLogClasses();
    return true;
  }();
  (void)registered;
  size_t at = 0;
  const cVkSessionReceiver::Receive receive = [&](void* out, size_t length) -> int32_t {
    if (size - at < length) return -19;
    std::memcpy(out, data + at, length);
    at += length;
    return 0;
  };
  cVkScreenBuffer screen;
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  cVkSessionReceiver receiver(screen, log);
  receiver.SetFrameLimit(16u << 20);  // within the fuzzer's memory limit
  Events events;
  for (;;) {
    uint32_t code = 0;
    if (receiver.ReceiveCommand(receive, &code) != 0) break;
    if (receiver.HandleCommand(code, receive, events) != 0) break;
    screen.TakeDirtyRects();
  }
  return 0;
}
