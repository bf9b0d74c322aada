// Synthetic keyboard and mouse input on the agent's desktop.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vk {

enum class MouseButton { Left, Right, Middle };

class iVkInputInjector {
 public:
  virtual ~iVkInputInjector() = default;
  // Connects to the desktop; 0 or a Win32-numbered code. Connecting again
  // while connected does nothing.
  virtual int32_t Open() = 0;
  // Releases every key and mouse button it holds pressed, then disconnects.
  virtual void Close() = 0;
  // Current size of the desktop in pixels; false when not connected.
  virtual bool ScreenSize(int32_t& width, int32_t& height) = 0;
  virtual int32_t MoveTo(int32_t x, int32_t y) = 0;
  virtual int32_t Button(MouseButton button, bool down) = 0;
  // Turns the wheel by delta (120 per notch, positive away from the user).
  virtual int32_t Wheel(int32_t delta) = 0;
  // Presses or releases the key that produces keysym, binding the keysym to
  // a spare key first when the keyboard map has none.
  virtual int32_t Key(uint32_t keysym, bool down) = 0;
};

// XTest on the X display named (empty: $DISPLAY).
std::unique_ptr<iVkInputInjector> CreateXTestInjector(const std::string& displayName = {});

// True when the X display named (empty: $DISPLAY) accepts a connection now.
bool XDisplayReachable(const std::string& displayName = {});

}  // namespace vk
