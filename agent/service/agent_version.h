// The agent's name, version and build.
#pragma once

#include <cstdint>

namespace vk::agent {

inline constexpr char16_t kServiceName[] = u"ViewKeeper";
inline constexpr char16_t kServiceTitle[] = u"ViewKeeper service";
inline constexpr double kVersion = 2.1;
inline constexpr int32_t kBuild = 1114;

}  // namespace vk::agent
