// X authority files (the format of xauth and of the server's -auth file):
// the cookie for one display, and a connection opened with it.
#pragma once

#include <cstdint>
#include <string>

struct _XDisplay;

namespace vk::x11 {

struct XCookie {
  std::string name;  // "MIT-MAGIC-COOKIE-1"
  std::string data;
};

// The MIT-MAGIC-COOKIE-1 entry of `file` for display `number` (an entry
// without a number serves every display). 0, ERROR_FILE_NOT_FOUND (2) when
// the file holds none, ERROR_INVALID_DATA (13) for a damaged file.
int32_t ReadXCookie(const std::string& file, int number, XCookie* cookie);
int32_t ParseXCookie(const std::string& bytes, int number, XCookie* cookie);

// Opens `display` (":N") with the cookie of `authorityFile`; nullptr when
// the file holds no cookie for it or the server refuses.
_XDisplay* OpenDisplayWithAuthority(const std::string& display, const std::string& authorityFile);

}  // namespace vk::x11
