// Result buffers handed to the caller: a collection's body in malloc'd
// memory, and copies of texts; both released with FreeBuffer.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/archive/collection.h"

namespace vk::dirbridge {

// Registers the record classes this library archives (once per process).
void RegisterRecordClasses();
// Writes the body of `collection` (layout version, count, object records)
// into a new buffer; answers 0 or the archive cause.
int32_t ProduceBuffer(cVkCollection& collection, uint8_t** buffer, uint32_t* length);
// A zero-terminated copy of `text`; null when memory is short.
char16_t* CopyText(std::u16string_view text);

}  // namespace vk::dirbridge
