// Where the desktop manager learns which desktop receives input, and the
// hook library it keeps attached to that desktop. On X11 one display is one
// desktop, named "Default"; other sources exist for tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/msgwindow/message_target.h"

// A desktop: its handle and its name. Two records denote the same desktop
// when their handles are equal or their names are equal ignoring case within
// one scope (one login session: another user's "Default" is another desktop).
struct cVkDesktopRecord {
  uint64_t handle = 0;
  std::u16string name;
  uint64_t scope = 0;
  bool IsOpen() const { return handle != 0; }
  bool SameDesktop(const cVkDesktopRecord& other) const;
};

class iVkDesktopSource {
 public:
  virtual ~iVkDesktopSource() = default;
  // The desktop the calling thread is attached to.
  virtual uint64_t ThreadDesktop() = 0;
  // Each answers 0 or an error code.
  virtual int32_t OpenDesktop(std::u16string_view name, uint32_t access, uint64_t& handle) = 0;
  virtual int32_t OpenInputDesktop(uint32_t access, uint64_t& handle) = 0;
  virtual int32_t DesktopName(uint64_t handle, std::u16string& name) = 0;
  // The login session the desktop belongs to (0: the only one there is).
  virtual uint64_t DesktopScope(uint64_t) { return 0; }
  // True for a desktop that a Wayland compositor shows (no X display).
  virtual bool ShowsWayland(uint64_t) { return false; }
  virtual int32_t SetThreadDesktop(uint64_t handle) = 0;
  virtual int32_t CloseDesktop(uint64_t handle) = 0;
};

class iVkHookLibrary {
 public:
  virtual ~iVkHookLibrary() = default;
  virtual int32_t SetHook(vk::MessageTarget* window, uint32_t updateMessage, uint32_t displayChangeMessage,
                          uint32_t mouseMoveMessage) = 0;
  virtual int32_t StopHook() = 0;
};

// The X display as the one desktop "Default" (each open gives a new handle).
class cVkDisplayDesktopSource : public iVkDesktopSource {
 public:
  uint64_t ThreadDesktop() override { return 1; }
  int32_t OpenDesktop(std::u16string_view name, uint32_t access, uint64_t& handle) override;
  int32_t OpenInputDesktop(uint32_t access, uint64_t& handle) override;
  int32_t DesktopName(uint64_t handle, std::u16string& name) override;
  int32_t SetThreadDesktop(uint64_t handle) override;
  int32_t CloseDesktop(uint64_t handle) override;

 private:
  uint64_t next_ = 2;
};

// libdeskhook.so.
class cVkDeskHookLibrary : public iVkHookLibrary {
 public:
  int32_t SetHook(vk::MessageTarget* window, uint32_t updateMessage, uint32_t displayChangeMessage,
                  uint32_t mouseMoveMessage) override;
  int32_t StopHook() override;
};
