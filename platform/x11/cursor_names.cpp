#include "platform/x11/cursor_names.h"

namespace vk::x11 {
namespace {

struct NamedCursor {
  std::string_view name;
  uint32_t id;
};

constexpr NamedCursor kNames[] = {
    {"left_ptr", 32512},
    {"default", 32512},
    {"arrow", 32512},
    {"top_left_arrow", 32512},
    {"xterm", 32513},
    {"text", 32513},
    {"ibeam", 32513},
    {"watch", 32514},
    {"wait", 32514},
    {"crosshair", 32515},
    {"cross", 32515},
    {"tcross", 32515},
    {"cross_reverse", 32515},
    {"sb_up_arrow", 32516},
    {"up-arrow", 32516},
    {"up_arrow", 32516},
    {"center_ptr", 32516},
    {"sizing", 32640},
    {"size", 32640},
    {"icon", 32641},
    {"nwse-resize", 32642},
    {"size_fdiag", 32642},
    {"top_left_corner", 32642},
    {"bottom_right_corner", 32642},
    {"nw-resize", 32642},
    {"se-resize", 32642},
    {"nesw-resize", 32643},
    {"size_bdiag", 32643},
    {"top_right_corner", 32643},
    {"bottom_left_corner", 32643},
    {"ne-resize", 32643},
    {"sw-resize", 32643},
    {"ew-resize", 32644},
    {"size_hor", 32644},
    {"sb_h_double_arrow", 32644},
    {"h_double_arrow", 32644},
    {"col-resize", 32644},
    {"left_side", 32644},
    {"right_side", 32644},
    {"e-resize", 32644},
    {"w-resize", 32644},
    {"ns-resize", 32645},
    {"size_ver", 32645},
    {"sb_v_double_arrow", 32645},
    {"v_double_arrow", 32645},
    {"row-resize", 32645},
    {"top_side", 32645},
    {"bottom_side", 32645},
    {"n-resize", 32645},
    {"s-resize", 32645},
    {"fleur", 32646},
    {"size_all", 32646},
    {"all-scroll", 32646},
    {"move", 32646},
    {"not-allowed", 32648},
    {"no-drop", 32648},
    {"forbidden", 32648},
    {"crossed_circle", 32648},
    {"circle", 32648},
    {"hand2", 32649},
    {"hand1", 32649},
    {"hand", 32649},
    {"pointer", 32649},
    {"pointing_hand", 32649},
    {"left_ptr_watch", 32650},
    {"progress", 32650},
    {"half-busy", 32650},
    {"question_arrow", 32651},
    {"help", 32651},
    {"whats_this", 32651},
    {"left_ptr_help", 32651},
};

}  // namespace

uint32_t CursorIdFromName(std::string_view name) {
  for (const auto& entry : kNames) {
    if (entry.name == name) return entry.id;
  }
  return 0;
}

}  // namespace vk::x11
