// Registration of the settings classes, for the programs that contain them.
#pragma once

void VkRegisterSettingsClasses();
