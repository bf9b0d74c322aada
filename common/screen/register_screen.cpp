#include "common/screen/register_screen.h"

#include "common/archive/register_archive.h"
#include "common/screen/cursor_list.h"
#include "common/screen/screen_info.h"

void VkRegisterScreenClasses() {
  VkRegisterArchiveClasses();
  VkRegisterClasses<cVkScreenInfo, cVkCursorList>();
}
