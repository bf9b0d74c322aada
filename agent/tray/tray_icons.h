// The tray's three icons (a magnifying glass): viewing allowed, disallowed,
// question pending; and the About window's icon.
#pragma once

#include <QIcon>

#include <cstdint>

// state: TRAY_QUESTION, TRAY_DISALLOWED or TRAY_ALLOWED.
QIcon TrayIconFor(uint32_t state);
