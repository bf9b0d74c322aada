// The name of this computer as the system shows it: the host name without
// its DNS domain, upper-cased.
#pragma once

#include <string>
#include <string_view>

namespace vk {

std::u16string LocalComputerName();

// True when name (with or without leading "\\") means this computer: empty,
// ".", "localhost" or its computer name, in any case.
bool IsLocalComputer(std::u16string_view name);

}  // namespace vk
