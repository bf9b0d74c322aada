// cVkCollection: an ordered array of object pointers that owns its elements.
//
// Null elements are allowed. The same pointer may stand in the array more
// than once (it is then archived once and referenced after that); it is
// destroyed once.
#pragma once

#include <cstddef>
#include <vector>

#include "common/archive/object.h"

class cVkCollection : public cVkObject {
  VK_DECLARE_SERIAL(cVkCollection)

 public:
  cVkCollection() = default;
  ~cVkCollection() override;
  cVkCollection(const cVkCollection&) = delete;
  cVkCollection& operator=(const cVkCollection&) = delete;

  void Serialize(cVkArchive& archive) override;
  // Not part of the collection's own operations, but what a reference to a
  // collection in an archive needs: a new collection of the same class with
  // clones of the elements.
  cVkObject* Clone() const override;
  // Destroys this collection's elements, then appends a clone of each
  // element of `other` (null where an element cannot clone).
  void CopyFrom(const cVkObject& other) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;
  // Destroys every element and empties the array.
  virtual void DeleteAll();

  size_t GetSize() const { return elements_.size(); }
  cVkObject* GetAt(size_t index) const { return elements_[index]; }
  // Takes ownership of `element` (which may be null).
  void Add(cVkObject* element) { elements_.push_back(element); }
  // Gives up ownership of the element at `index` and removes it.
  cVkObject* Detach(size_t index);
  const std::vector<cVkObject*>& Elements() const { return elements_; }

 protected:
  std::vector<cVkObject*> elements_;
};
