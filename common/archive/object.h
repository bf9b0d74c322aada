// cVkObject: the root of the serialisable classes.
//
// A class registers a cVkClassInfo (VK_DECLARE_SERIAL / VK_IMPLEMENT_SERIAL),
// writes and reads its body in Serialize, and, if it can be copied,
// implements CopyFrom (taking over the content of another object of its
// class; objects of another class are ignored) and Clone (a new object with
// the same content; the root answers null).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "common/archive/class_info.h"

class cVkArchive;
class cVkFieldVisitor;

class cVkObject {
 public:
  static const cVkClassInfo classInfo;
  virtual const cVkClassInfo* GetRuntimeClass() const { return &classInfo; }
  virtual ~cVkObject() = default;
  virtual void Serialize(cVkArchive& archive);
  virtual cVkObject* Clone() const { return nullptr; }
  virtual void CopyFrom(const cVkObject& other);
  // Reports the fields by their names; the root has none.
  virtual void VisitFields(cVkFieldVisitor& visitor) const;

  bool IsKindOf(const cVkClassInfo* info) const { return GetRuntimeClass()->IsDerivedFrom(info); }

  // Writes this object's body (no class part) as the whole content of the
  // file, replacing the previous file only once the new one is complete.
  // Result 0, the archive cause, or the file cause.
  int32_t SaveToFile(std::u16string_view path);
  // Reads this object's body from the file. Fields read before a failure
  // keep their new values. A missing file gives cause 2.
  int32_t LoadFromFile(std::u16string_view path);

  cVkObject() = default;

 protected:
  cVkObject(const cVkObject&) = default;
  cVkObject& operator=(const cVkObject&) = default;
};

// Clone for classes that copy through CopyFrom.
template <class T>
cVkObject* VkCloneByCopy(const T& self) {
  T* copy = new T;
  copy->CopyFrom(self);
  return copy;
}

// An owned clone of `object` as its own type (null when it cannot clone).
template <class T>
std::unique_ptr<T> VkCloneAs(const T& object) {
  return std::unique_ptr<T>(static_cast<T*>(object.Clone()));
}
