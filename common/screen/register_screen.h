// Registration of the screen records (cVkScreenInfo, cVkCursorList).
#pragma once

void VkRegisterScreenClasses();
