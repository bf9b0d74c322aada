#include "platform/x11/testing/x_authority_file.h"

#include <sys/stat.h>

#include <fstream>
#include <random>

namespace vk::x11::testing {
namespace {

std::string Counted(const std::string& field) {
  std::string bytes;
  bytes += static_cast<char>(field.size() >> 8);
  bytes += static_cast<char>(field.size() & 0xff);
  return bytes + field;
}

}  // namespace

std::string AuthorityEntry(unsigned family, const std::string& address, const std::string& number,
                           const std::string& name, const std::string& data) {
  std::string bytes;
  bytes += static_cast<char>((family >> 8) & 0xff);
  bytes += static_cast<char>(family & 0xff);
  return bytes + Counted(address) + Counted(number) + Counted(name) + Counted(data);
}

std::string WriteAuthorityFile(const std::string& path) {
  std::random_device random;
  std::string cookie;
  for (int i = 0; i < 16; ++i) cookie += static_cast<char>(random() & 0xff);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << AuthorityEntry(65535, "", "", "MIT-MAGIC-COOKIE-1", cookie);
  out.close();
  if (!out || chmod(path.c_str(), 0600) != 0) return {};
  return cookie;
}

}  // namespace vk::x11::testing
