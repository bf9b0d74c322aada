#include "common/screen/cursor_list.h"

#include "common/archive/archive.h"
#include "common/archive/field_visitor.h"

VK_IMPLEMENT_SERIAL(cVkCursorList, &cVkObject::classInfo, 1)

cVkCursorList::cVkCursorList(cVkCursorPlatform* platform) : platform_(platform) {
  if (platform_ != nullptr) current_ = platform_->LoadSystemCursor(kVkSystemCursorIds[0]);
}

void cVkCursorList::Serialize(cVkArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteDword(1);
    ar.WriteCount(handles_.size());
    for (uint32_t handle : handles_) ar.WriteDword(handle);
    return;
  }
  if (ar.ReadLayoutVersion(*this) != 1) return;
  uint32_t count = ar.ReadCount(4);
  std::vector<uint32_t> handles(count);
  for (uint32_t& handle : handles) handle = ar.ReadDword();
  if (!ar.Failed()) handles_ = std::move(handles);
}

void cVkCursorList::CopyFrom(const cVkObject& other) {
  if (auto* source = dynamic_cast<const cVkCursorList*>(&other)) handles_ = source->handles_;
}

void cVkCursorList::Rebuild() {
  handles_.clear();
  if (platform_ == nullptr) return;
  for (uint32_t identifier : kVkSystemCursorIds) handles_.push_back(platform_->LoadSystemCursor(identifier));
}

uint32_t cVkCursorList::IndexOf(uint32_t handle) const {
  for (size_t i = 0; i < handles_.size(); ++i) {
    if (handles_[i] == handle) return static_cast<uint32_t>(i);
  }
  return 0;
}

void cVkCursorList::SelectByIndex(int32_t index) {
  if (handles_.empty()) return;
  uint32_t position = static_cast<uint32_t>(index);
  if (position >= handles_.size()) position = 0;
  current_ = handles_[position];
  ApplyCurrent();
}

void cVkCursorList::ApplyCurrent() {
  if (platform_ == nullptr) return;
  if (platform_->GetDisplayedCursor() != current_) platform_->SetDisplayedCursor(current_);
}

void cVkCursorList::VisitFields(cVkFieldVisitor& visitor) const {
  visitor.BeginList("handles");
  for (uint32_t handle : handles_) visitor.Number({}, handle);
  visitor.EndList();
}
