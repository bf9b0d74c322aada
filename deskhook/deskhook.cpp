#include "deskhook/deskhook.h"

#include <memory>
#include <mutex>

#include "deskhook/hook_watcher.h"
#include "deskhook/input_blocking.h"
#include "platform/core/error_codes.h"

namespace {

std::mutex hookLock;
std::unique_ptr<deskhook::HookWatcher> activeHook;

}  // namespace

int32_t SetHook(vk::MessageTarget* window, uint32_t updateMessage, uint32_t displayChangeMessage,
                uint32_t mouseMoveMessage) {
  if (!window) return ERROR_INVALID_PARAMETER;
  std::lock_guard guard(hookLock);
  activeHook.reset();  // one watcher at a time: a new hook replaces the old one
  auto watcher = std::make_unique<deskhook::HookWatcher>(
      window, deskhook::HookMessages{updateMessage, displayChangeMessage, mouseMoveMessage});
  const int32_t result = watcher->Start();
  if (result == 0) activeHook = std::move(watcher);
  // A new hook follows a change of the served display; a block on the old
  // one would leave that desktop's user without keyboard or mouse while the
  // viewer controls another.
  deskhook::MoveInputBlockToServedDisplay();
  return result;
}

int32_t StopHook() {
  std::lock_guard guard(hookLock);
  activeHook.reset();
  return 0;
}
