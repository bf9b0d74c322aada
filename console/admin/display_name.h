// The port and build an agent publishes in its service's display name,
// "ViewKeeper Service ((port,build))".
#pragma once

#include <cstdint>
#include <string_view>

// The RPC port: 1..65535, else -1.
int32_t VkParsePublishedPort(std::u16string_view displayName, int32_t* port);
// The build: a positive number, else -1.
int32_t VkParsePublishedBuild(std::u16string_view displayName, int32_t* build);
