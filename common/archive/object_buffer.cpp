#include "common/archive/object_buffer.h"

#include <cstdlib>
#include <cstring>

#include "common/archive/archive.h"
#include "platform/core/error_codes.h"

void VkFreeRpcBuffer(VkRpcBuffer& buffer) {
  std::free(buffer.bytes);
  buffer = VkRpcBuffer{};
}

int32_t ObjectToBuffer(const cVkObject* object, std::vector<uint8_t>& bytes) {
  bytes.clear();
  bytes.reserve(4096);
  cVkArchive archive(&bytes);
  archive.WriteObject(object);
  return archive.Failure();
}

namespace {

void* MallocAllocator(size_t size, int32_t* status) {
  void* memory = std::malloc(size == 0 ? 1 : size);
  *status = memory ? 0 : ERROR_OUTOFMEMORY;
  return memory;
}

}  // namespace

int32_t ObjectToRpcBuffer(const cVkObject* object, VkRpcBuffer& out, VkRpcAllocator allocate) {
  out = VkRpcBuffer{};
  std::vector<uint8_t> bytes;
  int32_t rc = ObjectToBuffer(object, bytes);
  if (rc != 0) return rc;
  if (bytes.size() > 0xFFFFFFFFu) return VK_AR_GENERIC;
  int32_t status = 0;
  void* memory = (allocate ? allocate : MallocAllocator)(bytes.size(), &status);
  if (memory == nullptr) return status != 0 ? status : ERROR_OUTOFMEMORY;
  std::memcpy(memory, bytes.data(), bytes.size());
  out.bytes = static_cast<uint8_t*>(memory);
  out.length = static_cast<uint32_t>(bytes.size());
  return 0;
}

int32_t ObjectToRpcBufferNoCopy(const cVkObject* object, VkRpcBuffer& out) {
  // The bytes are collected in a vector; the pair takes them in malloc'd
  // memory so that one free releases every pair.
  return ObjectToRpcBuffer(object, out, nullptr);
}

int32_t ObjectFromBufferOfClass(const uint8_t* bytes, size_t length, const cVkClassInfo* required,
                                std::unique_ptr<cVkObject>& object) {
  if (bytes == nullptr || length == 0) return required ? VK_AR_BAD_CLASS : 0;
  cVkArchive archive(std::span<const uint8_t>(bytes, length));
  std::unique_ptr<cVkObject> read = archive.ReadObject(required);
  if (archive.Failed()) return archive.Failure();
  if (required != nullptr && !read) return VK_AR_BAD_CLASS;
  object = std::move(read);
  return 0;
}

int32_t ObjectFromBuffer(const uint8_t* bytes, size_t length, std::unique_ptr<cVkObject>& object) {
  return ObjectFromBufferOfClass(bytes, length, nullptr, object);
}

int32_t ObjectFromRpcBuffer(const VkRpcBuffer& buffer, std::unique_ptr<cVkObject>& object) {
  return ObjectFromBuffer(buffer.bytes, buffer.length, object);
}
