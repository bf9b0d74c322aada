// Registration of the archive's own classes (cVkObject, cVkCollection).
// cVkStringData is registered by the programs that contain it:
// VkRegisterClasses<cVkStringData>().
#pragma once

void VkRegisterArchiveClasses();
