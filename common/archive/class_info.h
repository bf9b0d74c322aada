// The class registry: serialisable classes re-creatable by their names.
//
// Every serialisable class has one static cVkClassInfo record. A program
// registers the records of the classes it contains at start (each library
// offers a registration function, or a program lists classes with
// VkRegisterClasses<...>()); an archive can only be read by a program that
// registered every class named in it.
#pragma once

#include <cstdint>
#include <string_view>

class cVkObject;

// Bit 31 of the schema: a reader accepts any stored schema number for the
// class and hands it to the class's reader.
inline constexpr uint32_t VK_SCHEMA_VERSIONABLE = 0x80000000u;

struct cVkClassInfo {
  const char* name;          // exact wire name, fewer than 64 characters
  uint32_t objectSize;       // informational
  uint32_t schema;           // low 16 bits written to archives; bit 31 versionable
  cVkObject* (*factory)();   // default-constructed instance, or null
  const cVkClassInfo* base;  // registry base; null for the platform root

  uint16_t SchemaNumber() const { return static_cast<uint16_t>(schema & 0xFFFFu); }
  bool IsVersionable() const { return (schema & VK_SCHEMA_VERSIONABLE) != 0; }
  // True when this class is `other` or derived from it.
  bool IsDerivedFrom(const cVkClassInfo* other) const;
};

// Adds a class to this program's registry. Registering the same record again
// does nothing; a different record under a name already known replaces it
// (a program may register its own extended form of a shared class).
void VkRegisterClass(const cVkClassInfo* info);

// The record registered under `name` (exact, case-sensitive), or null.
const cVkClassInfo* VkFindClass(std::string_view name);

template <class... Classes>
void VkRegisterClasses() {
  (VkRegisterClass(&Classes::classInfo), ...);
}

// In a class declaration: the class's record and its GetRuntimeClass.
#define VK_DECLARE_SERIAL(cls)         \
 public:                               \
  static const cVkClassInfo classInfo; \
  const cVkClassInfo* GetRuntimeClass() const override { return &classInfo; }

// In the class's source file. `baseInfo` is the registry base (null for the
// platform root), `schema` the schema value.
#define VK_IMPLEMENT_SERIAL(cls, baseInfo, schema) VK_IMPLEMENT_SERIAL_NAMED(cls, #cls, baseInfo, schema)

// The same for a class archived under another class's name: a program's own
// extended form of a shared class (registering it replaces the shared one,
// so objects read under that name are created as the extended form).
#define VK_IMPLEMENT_SERIAL_NAMED(cls, wireName, baseInfo, schema)                        \
  const cVkClassInfo cls::classInfo{wireName, static_cast<uint32_t>(sizeof(cls)), schema, \
                                    []() -> cVkObject* { return new cls; }, baseInfo};
