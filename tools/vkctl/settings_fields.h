// The agent's settings as NAME=VALUE pairs ("screen.compressionLevel=6"),
// and changes given that way.
#pragma once

#include <string>
#include <utility>
#include <vector>

class cVkServiceSettings;

using VkNamedValues = std::vector<std::pair<std::string, std::string>>;

VkNamedValues VkSettingsValues(const cVkServiceSettings& settings);
// Applies "name=value" changes; false with `error` for an unknown name or a
// value outside the setting's range (nothing is changed then).
bool VkApplySettings(cVkServiceSettings& settings, const std::vector<std::string>& assignments, std::string& error);
