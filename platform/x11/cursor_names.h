// The cursor table of the viewing protocol holds the sixteen standard cursor
// shapes by their identifier values (32512 arrow ... 32651 help); on X11 the
// cursor "handle" of a shape is that identifier. Cursor themes name their
// shapes (X font names and CSS names); this maps a name to its identifier.
#pragma once

#include <cstdint>
#include <string_view>

namespace vk::x11 {

// The identifier of the standard shape with that name, 0 for any other name.
uint32_t CursorIdFromName(std::string_view name);

}  // namespace vk::x11
