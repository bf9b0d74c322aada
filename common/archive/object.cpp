#include "common/archive/object.h"

#include <vector>

#include "common/archive/archive.h"
#include "platform/files/whole_file.h"

const cVkClassInfo cVkObject::classInfo{"cVkObject", static_cast<uint32_t>(sizeof(cVkObject)), 1,
                                        []() -> cVkObject* { return new cVkObject; }, nullptr};

void cVkObject::Serialize(cVkArchive&) {}

void cVkObject::CopyFrom(const cVkObject&) {}

void cVkObject::VisitFields(cVkFieldVisitor&) const {}

int32_t cVkObject::SaveToFile(std::u16string_view path) {
  std::vector<uint8_t> bytes;
  bytes.reserve(4096);
  cVkArchive archive(&bytes);
  Serialize(archive);
  if (archive.Failed()) return archive.Failure();
  return VkFileCauseFromError(vk::files::WriteWholeFileAtomic(path, bytes));
}

int32_t cVkObject::LoadFromFile(std::u16string_view path) {
  std::vector<uint8_t> bytes;
  int32_t rc = vk::files::ReadWholeFile(path, bytes);
  if (rc != 0) return VkFileCauseFromError(rc);
  cVkArchive archive{std::span<const uint8_t>(bytes)};
  Serialize(archive);
  return archive.Failure();
}
