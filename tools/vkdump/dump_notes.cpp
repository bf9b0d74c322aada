#include "tools/vkdump/dump_notes.h"

#include "common/archive/object.h"

namespace {

uintptr_t Address(const cVkObject* object) { return reinterpret_cast<uintptr_t>(object); }

}  // namespace

const VkDumpNote* VkDumpNotes::Find(const cVkObject* object) const {
  auto it = notes_.find(Address(object));
  return it == notes_.end() ? nullptr : &it->second;
}

VkDumpNote& VkDumpNotes::Fresh(const cVkObject& object) {
  uintptr_t start = Address(&object);
  notes_.erase(notes_.lower_bound(start), notes_.lower_bound(start + object.GetRuntimeClass()->objectSize));
  return notes_[start];
}

void VkDumpNotes::ObjectCreated(uint32_t index, const cVkObject& object) { Fresh(object).index = index; }

void VkDumpNotes::ReferenceRead(uint32_t index, const cVkObject& copy) { Fresh(copy).repeats = index; }

void VkDumpNotes::LayoutVersionRead(const cVkObject& body, uint32_t version) {
  notes_[Address(&body)].layout = version;
}
