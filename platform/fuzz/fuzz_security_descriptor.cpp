// Any bytes as a self-relative security descriptor: reading and checking
// never crash, and a descriptor that reads writes back to bytes that read
// the same.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/security/access_check.h"
#include "platform/security/security_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> bytes(data, size);
  vk::AccessToken token{u"fuzz", vk::Sid::UnixUser(1000), {vk::Sid::UnixGroup(100), vk::Sid::Administrators()}};
  vk::AccessResult result;
  vk::CheckAccess(bytes, token, vk::MAXIMUM_ALLOWED, {1, 4, 2, 8}, &result);
  auto sd = vk::SecurityDescriptor::FromSelfRelative(bytes);
  if (!sd) return 0;
  std::vector<uint8_t> written = sd->ToSelfRelative();
  auto again = vk::SecurityDescriptor::FromSelfRelative(written);
  if (!again || again->ToSelfRelative() != written) abort();
  return 0;
}
