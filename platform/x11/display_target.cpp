#include "platform/x11/display_target.h"

#include <cstdlib>
#include <mutex>

namespace vk::x11 {
namespace {

std::mutex targetLock;
DisplayTarget target;  // under targetLock

}  // namespace

void SetTargetDisplay(const std::string& name, const XCookie& cookie) {
  std::lock_guard hold(targetLock);
  if (target.kind == DisplayTarget::Kind::SessionDisplay && target.name == name && target.cookie.name == cookie.name &&
      target.cookie.data == cookie.data)
    return;
  target = DisplayTarget{DisplayTarget::Kind::SessionDisplay, name, cookie, target.generation + 1};
}

void SetNoTargetDisplay() {
  std::lock_guard hold(targetLock);
  if (target.kind == DisplayTarget::Kind::NoDisplay) return;
  target = DisplayTarget{DisplayTarget::Kind::NoDisplay, {}, {}, target.generation + 1};
}

DisplayTarget CurrentDisplayTarget() {
  std::lock_guard hold(targetLock);
  return target;
}

uint64_t DisplayGeneration() {
  std::lock_guard hold(targetLock);
  return target.generation;
}

bool EnvironmentNamesDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display && *display;
}

}  // namespace vk::x11
