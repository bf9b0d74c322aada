#include "common/archive/collection.h"

#include <unordered_set>

#include "common/archive/archive.h"
#include "common/archive/field_visitor.h"

VK_IMPLEMENT_SERIAL(cVkCollection, nullptr, 1)

cVkCollection::~cVkCollection() { cVkCollection::DeleteAll(); }

void cVkCollection::DeleteAll() {
  std::unordered_set<cVkObject*> destroyed;
  for (cVkObject* element : elements_) {
    if (element != nullptr && destroyed.insert(element).second) delete element;
  }
  elements_.clear();
}

cVkObject* cVkCollection::Detach(size_t index) {
  cVkObject* element = elements_[index];
  elements_.erase(elements_.begin() + static_cast<std::ptrdiff_t>(index));
  return element;
}

void cVkCollection::CopyFrom(const cVkObject& other) {
  auto* source = dynamic_cast<const cVkCollection*>(&other);
  if (source == nullptr || source == this) return;
  DeleteAll();
  elements_.reserve(source->elements_.size());
  for (const cVkObject* element : source->elements_) {
    elements_.push_back(element ? element->Clone() : nullptr);
  }
}

cVkObject* cVkCollection::Clone() const {
  cVkObject* copy = GetRuntimeClass()->factory ? GetRuntimeClass()->factory() : nullptr;
  if (copy != nullptr) copy->CopyFrom(*this);
  return copy;
}

void cVkCollection::Serialize(cVkArchive& archive) {
  if (archive.IsStoring()) {
    archive.WriteDword(1);
    archive.WriteCount(elements_.size());
    for (const cVkObject* element : elements_) archive.WriteObject(element);
    return;
  }
  if (archive.ReadLayoutVersion(*this) != 1) return;
  // Every object record takes at least two bytes.
  uint32_t count = archive.ReadCount(2);
  DeleteAll();
  elements_.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    std::unique_ptr<cVkObject> element = archive.ReadObject();
    if (archive.Failed()) return;
    elements_.push_back(element.release());
  }
}

void cVkCollection::VisitFields(cVkFieldVisitor& visitor) const {
  visitor.BeginList("elements");
  for (const cVkObject* element : elements_) visitor.Object({}, element);
  visitor.EndList();
}
