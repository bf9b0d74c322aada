// What the tray shows: the icon state, its texts and the next balloon.
#pragma once

#include <cstdint>
#include <string>

#include "common/settings/settings_parts.h"

// iconState values.
inline constexpr uint32_t TRAY_NO_ICON = 1;
inline constexpr uint32_t TRAY_QUESTION = 2;
inline constexpr uint32_t TRAY_DISALLOWED = 3;
inline constexpr uint32_t TRAY_ALLOWED = 4;

// balloonIcon values.
inline constexpr uint32_t BALLOON_INFORMATION = 1;
inline constexpr uint32_t BALLOON_WARNING = 2;
inline constexpr uint32_t BALLOON_ERROR = 3;

// What the icon shows right now (a copy, for the GUI and for tests).
struct cVkTrayState {
  uint32_t iconState = TRAY_NO_ICON;
  uint32_t notificationMode = NOTIFY_QUESTION;
  std::u16string tipText;
  std::u16string balloonTitle;
  std::u16string balloonText;
  uint32_t balloonIcon = BALLOON_INFORMATION;
  bool balloonPending = false;
};
