// Object records: null, back-references, class parts and bodies.
//
// Classes and objects share one index counter per archive. While reading,
// each index remembers whether it names a class or an object, and whether
// that object's body is still being read: a reference to a class slot, to
// an unfinished object (which would make a cycle) or past the counter fails
// with a bad index. A reference to a finished object yields a clone of it, so
// that every object read has exactly one owner. Each object remembers what
// reading it built (its bytes and the copies made inside it); a copy is
// charged that much against the decode's limit before it is made, so
// references to references cannot grow beyond a few times the input.
#include <cstring>

#include "common/archive/archive.h"
#include "common/archive/read_observer.h"

namespace {

constexpr uint16_t kNullTag = 0x0000;
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint16_t kBigTag = 0x7FFF;
constexpr uint32_t kBigClassTag = 0x80000000u;
constexpr uint32_t kMaxClassNameLength = 64;

// Keeps the nesting depth and the current schema for one record.
class Nesting {
 public:
  Nesting(int& depth, uint32_t& schema, uint32_t newSchema) : depth_(depth), schema_(schema), savedSchema_(schema) {
    ++depth_;
    schema_ = newSchema;
  }
  ~Nesting() {
    --depth_;
    schema_ = savedSchema_;
  }

 private:
  int& depth_;
  uint32_t& schema_;
  uint32_t savedSchema_;
};

}  // namespace

bool cVkArchive::TakeIndex() {
  if (counter_ > kMaxIndex) {
    Fail(VK_AR_BAD_INDEX);
    return false;
  }
  ++counter_;
  return true;
}

void cVkArchive::WriteReference(uint32_t index, uint32_t classBit) {
  if (index <= 0x7FFE) {
    WriteWord(static_cast<uint16_t>(index | (classBit ? kClassTag : 0)));
    return;
  }
  WriteWord(kBigTag);
  WriteDword(index | classBit);
}

void cVkArchive::WriteClassPart(const cVkClassInfo* cls) {
  auto known = writtenClasses_.find(cls);
  if (known != writtenClasses_.end()) {
    WriteReference(known->second, kBigClassTag);
    return;
  }
  size_t nameLength = std::strlen(cls->name);
  if (nameLength >= kMaxClassNameLength) {
    Fail(VK_AR_BAD_CLASS);
    return;
  }
  WriteWord(kNewClassTag);
  WriteWord(cls->SchemaNumber());
  WriteWord(static_cast<uint16_t>(nameLength));
  WriteBytes({reinterpret_cast<const uint8_t*>(cls->name), nameLength});
  uint32_t index = counter_;
  if (TakeIndex()) writtenClasses_.emplace(cls, index);
}

void cVkArchive::WriteObject(const cVkObject* object) {
  if (!CanWrite()) return;
  if (object == nullptr) {
    WriteWord(kNullTag);
    return;
  }
  auto known = writtenObjects_.find(object);
  if (known != writtenObjects_.end()) {
    WriteReference(known->second, 0);
    return;
  }
  if (depth_ >= kMaxDepth) {
    Fail(VK_AR_GENERIC);
    return;
  }
  const cVkClassInfo* cls = object->GetRuntimeClass();
  WriteClassPart(cls);
  uint32_t index = counter_;
  if (!TakeIndex()) return;
  writtenObjects_.emplace(object, index);
  Nesting nesting(depth_, currentSchema_, cls->SchemaNumber());
  // The body is written by the object itself; Serialize is not const because
  // the same function reads.
  const_cast<cVkObject*>(object)->Serialize(*this);
}

const cVkClassInfo* cVkArchive::ReadNewClass(uint16_t* storedSchema) {
  *storedSchema = ReadWord();
  uint16_t nameLength = ReadWord();
  if (failure_ != 0) return nullptr;
  char name[kMaxClassNameLength];
  if (nameLength >= kMaxClassNameLength || ReadBytes(name, nameLength) != nameLength) {
    Fail(VK_AR_BAD_CLASS);
    return nullptr;
  }
  const cVkClassInfo* cls = VkFindClass(std::string_view(name, nameLength));
  if (cls == nullptr) {
    Fail(VK_AR_BAD_CLASS);
    return nullptr;
  }
  if (*storedSchema != cls->SchemaNumber() && !cls->IsVersionable()) {
    Fail(VK_AR_BAD_SCHEMA);
    return nullptr;
  }
  if (!TakeIndex()) return nullptr;
  slots_.push_back(Slot{SlotKind::Class, cls, nullptr, *storedSchema, 0});
  return cls;
}

std::unique_ptr<cVkObject> cVkArchive::ReadReference(uint32_t index, const cVkClassInfo* required) {
  if (index == 0) return nullptr;
  if (index >= counter_ || slots_[index].kind != SlotKind::Object) {
    Fail(VK_AR_BAD_INDEX);
    return nullptr;
  }
  const cVkObject* original = slots_[index].object;
  if (required != nullptr && !original->IsKindOf(required)) {
    Fail(VK_AR_BAD_CLASS);
    return nullptr;
  }
  if (!ChargeCopy(slots_[index].built)) return nullptr;
  std::unique_ptr<cVkObject> copy(original->Clone());
  if (!copy) {
    Fail(VK_AR_BAD_INDEX);
    return nullptr;
  }
  if (observer_ != nullptr) observer_->ReferenceRead(index, *copy);
  return copy;
}

bool cVkArchive::ChargeCopy(uint64_t built) {
  if (Built() > buildLimit_ || built > buildLimit_ - Built()) {
    Fail(VK_AR_END_OF_FILE);
    return false;
  }
  copied_ += built;
  return true;
}

std::unique_ptr<cVkObject> cVkArchive::ReadNewObject(const cVkClassInfo* cls, uint16_t storedSchema) {
  if (cls->factory == nullptr) {
    Fail(VK_AR_BAD_CLASS);
    return nullptr;
  }
  uint32_t index = counter_;
  if (!TakeIndex()) return nullptr;
  std::unique_ptr<cVkObject> object(cls->factory());
  slots_.push_back(Slot{SlotKind::ObjectReading, cls, object.get(), 0, 0});
  if (observer_ != nullptr) observer_->ObjectCreated(index, *object);
  const uint64_t builtBefore = Built();
  {
    Nesting nesting(depth_, currentSchema_, storedSchema);
    object->Serialize(*this);
  }
  if (failure_ != 0) {
    // The object and whatever it took over from the data go together.
    slots_[index].object = nullptr;
    return nullptr;
  }
  slots_[index].kind = SlotKind::Object;
  slots_[index].built = Built() - builtBefore;
  return object;
}

std::unique_ptr<cVkObject> cVkArchive::ReadObject(const cVkClassInfo* required) {
  uint16_t word = ReadWord();
  if (failure_ != 0) return nullptr;
  if (depth_ >= kMaxDepth) {
    Fail(VK_AR_GENERIC);
    return nullptr;
  }
  uint32_t tag = word == kBigTag ? ReadDword() : (word & 0x7FFFu) | ((word & 0x8000u) ? kBigClassTag : 0u);
  if (failure_ != 0) return nullptr;
  if ((tag & kBigClassTag) == 0) return ReadReference(tag, required);

  const cVkClassInfo* cls = nullptr;
  uint16_t storedSchema = 0;
  if (word == kNewClassTag) {
    cls = ReadNewClass(&storedSchema);
    if (cls == nullptr) return nullptr;
  } else {
    uint32_t classIndex = tag & ~kBigClassTag;
    if (classIndex == 0 || classIndex >= counter_ || slots_[classIndex].kind != SlotKind::Class) {
      Fail(VK_AR_BAD_INDEX);
      return nullptr;
    }
    cls = slots_[classIndex].cls;
    storedSchema = slots_[classIndex].storedSchema;
  }
  if (required != nullptr && !cls->IsDerivedFrom(required)) {
    Fail(VK_AR_BAD_CLASS);
    return nullptr;
  }
  return ReadNewObject(cls, storedSchema);
}
