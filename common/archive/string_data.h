// cVkStringData: an object holding one text.
#pragma once

#include <string>

#include "common/archive/object.h"

class cVkStringData : public cVkObject {
  VK_DECLARE_SERIAL(cVkStringData)

 public:
  cVkStringData() = default;
  explicit cVkStringData(std::u16string text) : text_(std::move(text)) {}

  void Serialize(cVkArchive& archive) override;
  cVkObject* Clone() const override { return VkCloneByCopy(*this); }
  void CopyFrom(const cVkObject& other) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;

  const std::u16string& GetText() const { return text_; }
  void SetText(std::u16string text) { text_ = std::move(text); }

 private:
  std::u16string text_;
};
