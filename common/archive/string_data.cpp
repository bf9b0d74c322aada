#include "common/archive/string_data.h"

#include "common/archive/archive.h"
#include "common/archive/field_visitor.h"

VK_IMPLEMENT_SERIAL(cVkStringData, &cVkObject::classInfo, 1)

void cVkStringData::CopyFrom(const cVkObject& other) {
  if (auto* source = dynamic_cast<const cVkStringData*>(&other)) text_ = source->text_;
}

void cVkStringData::Serialize(cVkArchive& archive) {
  if (archive.IsStoring()) {
    archive.WriteDword(1);
    archive.WriteString(text_);
    return;
  }
  if (archive.ReadLayoutVersion(*this) != 1) return;
  std::u16string text = archive.ReadString();
  if (!archive.Failed()) text_ = std::move(text);
}

void cVkStringData::VisitFields(cVkFieldVisitor& visitor) const { visitor.Text("text", text_); }
