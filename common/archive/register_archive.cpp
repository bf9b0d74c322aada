#include "common/archive/register_archive.h"

#include "common/archive/collection.h"

void VkRegisterArchiveClasses() { VkRegisterClasses<cVkObject, cVkCollection>(); }
