// A directory library that lacks most entry points; its CollectDomains
// answers a buffer that is not a collection's body.
#include <cstdint>
#include <cstdlib>
#include <cstring>

class cOrkLog;

extern "C" {

void FreeBuffer(void* buffer) { std::free(buffer); }

int32_t CollectDomains(cOrkLog*, uint8_t** buffer, uint32_t* length) {
  *buffer = static_cast<uint8_t*>(std::malloc(3));
  std::memcpy(*buffer, "\x01\x00\x00", 3);
  *length = 3;
  return 0;
}
}
