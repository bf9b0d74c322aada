#include "agent/desktop/desktop_source.h"

#include <algorithm>

#include "deskhook/deskhook.h"
#include "platform/core/error_codes.h"

namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

}  // namespace

bool cVkDesktopRecord::SameDesktop(const cVkDesktopRecord& other) const {
  return handle == other.handle || (scope == other.scope && EqualIgnoringCase(name, other.name));
}

int32_t cVkDisplayDesktopSource::OpenDesktop(std::u16string_view, uint32_t, uint64_t& handle) {
  handle = next_++;
  return 0;
}

int32_t cVkDisplayDesktopSource::OpenInputDesktop(uint32_t, uint64_t& handle) {
  handle = next_++;
  return 0;
}

int32_t cVkDisplayDesktopSource::DesktopName(uint64_t handle, std::u16string& name) {
  if (handle == 0) return ERROR_INVALID_HANDLE;
  name = u"Default";
  return 0;
}

int32_t cVkDisplayDesktopSource::SetThreadDesktop(uint64_t handle) { return handle == 0 ? ERROR_INVALID_HANDLE : 0; }

int32_t cVkDisplayDesktopSource::CloseDesktop(uint64_t handle) { return handle == 0 ? ERROR_INVALID_HANDLE : 0; }

int32_t cVkDeskHookLibrary::SetHook(vk::MessageTarget* window, uint32_t updateMessage, uint32_t displayChangeMessage,
                                    uint32_t mouseMoveMessage) {
  return ::SetHook(window, updateMessage, displayChangeMessage, mouseMoveMessage);
}

int32_t cVkDeskHookLibrary::StopHook() { return ::StopHook(); }
