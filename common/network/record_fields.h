// Network records: plain bodies of texts and DWORDs after the layout version
// 1, in declaration order. Each record lists its fields once, in a static
// Fields(self, f) template, and this file derives archiving, copying and
// field listing from that list.
#pragma once

#include <cstdint>
#include <string>

#include "common/archive/archive.h"
#include "common/archive/field_visitor.h"
#include "common/archive/object.h"

struct VkFieldWriter {
  cVkArchive& ar;
  void operator()(const char*, const std::u16string& text) const { ar.WriteString(text); }
  void operator()(const char*, uint32_t value) const { ar.WriteDword(value); }
};

struct VkFieldReader {
  cVkArchive& ar;
  template <class T>
  void operator()(const char*, T& field) const {
    ar.Read(field);
  }
};

struct VkFieldLister {
  cVkFieldVisitor& visitor;
  void operator()(const char* name, const std::u16string& text) const { visitor.Text(name, text); }
  void operator()(const char* name, uint32_t value) const { visitor.Number(name, value); }
};

// Reading a layout version other than 1 reads nothing further.
template <class Record>
void VkSerializeRecord(Record& record, cVkArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteDword(1);
    Record::Fields(record, VkFieldWriter{ar});
    return;
  }
  if (ar.ReadLayoutVersion(record) != 1) return;
  Record::Fields(record, VkFieldReader{ar});
}

// The overrides every plain record has.
#define VK_NETWORK_RECORD(cls)                                              \
  VK_DECLARE_SERIAL(cls)                                                    \
 public:                                                                    \
  void Serialize(cVkArchive& ar) override { VkSerializeRecord(*this, ar); } \
  cVkObject* Clone() const override { return VkCloneByCopy(*this); }        \
  void CopyFrom(const cVkObject& other) override {                          \
    if (auto* source = dynamic_cast<const cls*>(&other)) *this = *source;   \
  }                                                                         \
  void VisitFields(cVkFieldVisitor& visitor) const override { Fields(*this, VkFieldLister{visitor}); }
