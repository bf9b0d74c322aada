// cVkFieldVisitor: walks an object's fields by their names in the code, for
// tools that show objects (vkdump) and for tests.
#pragma once

#include <cstdint>
#include <string_view>

class cVkObject;

class cVkFieldVisitor {
 public:
  virtual ~cVkFieldVisitor() = default;
  virtual void Number(std::string_view name, int64_t value) = 0;
  virtual void Text(std::string_view name, std::u16string_view value) = 0;
  // A nested object (null allowed); the visitor may visit its fields.
  virtual void Object(std::string_view name, const cVkObject* value) = 0;
  // A list: the items between BeginList and EndList have empty names.
  virtual void BeginList(std::string_view name) = 0;
  virtual void EndList() = 0;
};
