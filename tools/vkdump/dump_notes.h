// What the archive reported about each object it read, for the printers:
// the object's index in the archive, the layout version its body opened
// with, and, for a copy made from a back-reference, the index it repeats.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "common/archive/read_observer.h"

struct VkDumpNote {
  uint32_t index = 0;  // 0: a body without a record of its own (embedded, or the file's body)
  std::optional<uint32_t> layout;
  uint32_t repeats = 0;  // a back-reference: the index of the object it repeats
};

class VkDumpNotes : public cVkReadObserver {
 public:
  // The note of an object, or null when the archive said nothing of it.
  const VkDumpNote* Find(const cVkObject* object) const;

  void ObjectCreated(uint32_t index, const cVkObject& object) override;
  void ReferenceRead(uint32_t index, const cVkObject& copy) override;
  void LayoutVersionRead(const cVkObject& body, uint32_t version) override;

 private:
  // A new object may sit where a discarded one was: its memory starts clean.
  VkDumpNote& Fresh(const cVkObject& object);

  std::map<uintptr_t, VkDumpNote> notes_;
};
