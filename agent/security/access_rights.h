// The rights of the agent's access lists, as the access check grants them.
#pragma once

#include <cstdint>

inline constexpr uint32_t RIGHT_READ = 1;        // view the desktop, read the settings
inline constexpr uint32_t RIGHT_CHANGE = 2;      // control the desktop, change the settings
inline constexpr uint32_t RIGHT_WRITE = 4;       // what the generic write right maps to
inline constexpr uint32_t RIGHT_ADMINISTER = 8;  // change the access lists
