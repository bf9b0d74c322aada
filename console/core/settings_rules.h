// The rules of the configuration sheet's fields, without the widgets: the
// seconds fields of the refresh intervals, the port fields of the channels
// and the ranges a value must lie in before a control shows it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "console/core/connection_info.h"  // the channels' default ports

// An interval that is switched off.
inline constexpr int32_t kVkIntervalOff = -1;
// What a checked refresh box fills in when the stored interval is off.
inline constexpr std::u16string_view kVkFullRefreshFill = u"5";
inline constexpr std::u16string_view kVkForegroundRefreshFill = u"1";
// Field lengths.
inline constexpr int kVkSecondsFieldLength = 5;
inline constexpr int kVkMillisecondsFieldLength = 7;
inline constexpr int kVkPortFieldLength = 5;

// Milliseconds as seconds with two decimals, trailing zeros and then a
// trailing point removed: 2500 gives "2.5", 5000 "5", 0 "0".
std::u16string VkSecondsText(int32_t milliseconds);

// The milliseconds of a seconds field (the number times 1000, truncated).
// Nothing when the text is not a number or gives less than 1 ms, or more
// than an interval holds: the caller then keeps the previous interval.
std::optional<int32_t> VkMillisecondsFromSeconds(std::u16string_view text);

// A refresh interval a control can show: off, or at least 1 ms.
bool VkIntervalShowable(int32_t milliseconds);
// What a refresh box that is checked with an empty field fills in.
std::u16string VkRefreshFill(int32_t stored, std::u16string_view fallback);

// A send interval of at least 1 ms, as the milliseconds field holds it.
bool VkSendIntervalShowable(int32_t milliseconds);
std::optional<int32_t> VkSendIntervalFromText(std::u16string_view text);

// Compression levels of the slider.
bool VkLevelShowable(int32_t level);

// The port a channel field fills in: the stored one, or the default when
// the stored port is 0 or 0xFFFF.
uint16_t VkPortFill(uint16_t stored, uint16_t defaultPort);
// A typed port text: true when it is a number above 0xFFFF, which the
// field replaces with the default.
bool VkPortTextTooLarge(std::u16string_view text);
// The port to store from a field: its number, or the default when the
// field is empty, 0 or not a port.
uint16_t VkPortToStore(std::u16string_view text, uint16_t defaultPort);

// Modes a radio button stands for.
bool VkConnectionModeShowable(uint32_t mode);    // 1..3
bool VkNotificationModeShowable(uint32_t mode);  // 1..4
