// Test support: X authority files with one cookie, as a display manager
// writes them for its servers.
#pragma once

#include <string>

namespace vk::x11::testing {

// The bytes of one entry (family, address, display number, name, data).
std::string AuthorityEntry(unsigned family, const std::string& address, const std::string& number,
                           const std::string& name, const std::string& data);

// Writes a file with one wildcard MIT-MAGIC-COOKIE-1 entry of 16 random
// bytes (mode 0600); the cookie, or empty on failure.
std::string WriteAuthorityFile(const std::string& path);

}  // namespace vk::x11::testing
