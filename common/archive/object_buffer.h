// Objects to bytes and back: memory buffers and the RPC buffer pair.
//
// A buffer holds one complete object record (class part and body). Results
// are 0 or an archive cause; -2 is a failure of the memory file itself.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/archive/archive_causes.h"
#include "common/archive/object.h"

// The RPC payload: a length and the bytes (allocated with malloc).
struct VkRpcBuffer {
  uint32_t length = 0;
  uint8_t* bytes = nullptr;
};

// Frees the bytes of a pair and empties it.
void VkFreeRpcBuffer(VkRpcBuffer& buffer);

// Allocator of RPC out-buffers: answers the memory or null with `status` set.
using VkRpcAllocator = void* (*)(size_t size, int32_t* status);

// Writes one object record into `bytes` (replacing its content). On failure
// the bytes written so far are still handed over.
int32_t ObjectToBuffer(const cVkObject* object, std::vector<uint8_t>& bytes);

// Server form: copies the record into memory from `allocate` (malloc when
// null) and fills the pair; an allocation failure answers its status.
int32_t ObjectToRpcBuffer(const cVkObject* object, VkRpcBuffer& out, VkRpcAllocator allocate = nullptr);

// Client form: hands the record's own memory over in the pair; the caller
// frees it with VkFreeRpcBuffer after the call. On failure the pair is empty.
int32_t ObjectToRpcBufferNoCopy(const cVkObject* object, VkRpcBuffer& out);

// Reads one object record. Null bytes or length 0: result 0 and no object
// (`object` untouched). On failure no object is returned.
int32_t ObjectFromBuffer(const uint8_t* bytes, size_t length, std::unique_ptr<cVkObject>& object);
int32_t ObjectFromRpcBuffer(const VkRpcBuffer& buffer, std::unique_ptr<cVkObject>& object);

// For callers that need one particular class: an empty buffer, an object of
// another class or a null object record fail with bad class (6).
int32_t ObjectFromBufferOfClass(const uint8_t* bytes, size_t length, const cVkClassInfo* required,
                                std::unique_ptr<cVkObject>& object);

template <class T>
int32_t ObjectFromBufferAs(const uint8_t* bytes, size_t length, std::unique_ptr<T>& object) {
  std::unique_ptr<cVkObject> read;
  int32_t rc = ObjectFromBufferOfClass(bytes, length, &T::classInfo, read);
  if (rc != 0) return rc;
  T* typed = dynamic_cast<T*>(read.get());
  if (typed == nullptr) return VK_AR_BAD_CLASS;
  read.release();
  object.reset(typed);
  return 0;
}

template <class T>
int32_t ObjectFromRpcBufferAs(const VkRpcBuffer& buffer, std::unique_ptr<T>& object) {
  return ObjectFromBufferAs(buffer.bytes, buffer.length, object);
}
