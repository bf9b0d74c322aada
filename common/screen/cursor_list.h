// cVkCursorList: the fixed table of system cursor shapes that both ends
// build the same way, so that a cursor change travels as a small index.
//
// Handles are those of the process that built the list (the list is never
// sent, only indices into it). Loading and showing cursors goes through
// cVkCursorPlatform, which each program implements.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/archive/object.h"

// System cursor identifiers in table order (index 0 is the arrow).
inline constexpr std::array<uint32_t, 16> kVkSystemCursorIds = {32512, 32513, 32514, 32515, 32516, 32640, 32641, 32642,
                                                                32643, 32644, 32645, 32646, 32648, 32649, 32650, 32651};

class cVkCursorPlatform {
 public:
  virtual ~cVkCursorPlatform() = default;
  // A handle of the shared system cursor with this identifier.
  virtual uint32_t LoadSystemCursor(uint32_t identifier) = 0;
  virtual uint32_t GetDisplayedCursor() = 0;
  virtual void SetDisplayedCursor(uint32_t handle) = 0;
};

class cVkCursorList : public cVkObject {
  VK_DECLARE_SERIAL(cVkCursorList)

 public:
  cVkCursorList() = default;
  // A list whose current cursor is the platform's arrow.
  explicit cVkCursorList(cVkCursorPlatform* platform);

  void Serialize(cVkArchive& archive) override;
  cVkObject* Clone() const override { return VkCloneByCopy(*this); }
  // Copies the array.
  void CopyFrom(const cVkObject& other) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;

  void SetPlatform(cVkCursorPlatform* platform) { platform_ = platform; }
  // Empties the array and loads the table's cursors in index order.
  void Rebuild();
  // The first position holding `handle`; 0 (the arrow) when it is not there.
  uint32_t IndexOf(uint32_t handle) const;
  // Makes the cursor at `index` current (0 when the index is not below the
  // count, taken as unsigned) and shows it unless it is already shown.
  void SelectByIndex(int32_t index);
  // Shows the current cursor if another one is shown.
  void ApplyCurrent();

  uint32_t GetCurrent() const { return current_; }
  const std::vector<uint32_t>& Handles() const { return handles_; }

 private:
  std::vector<uint32_t> handles_;
  uint32_t current_ = 0;
  cVkCursorPlatform* platform_ = nullptr;
};
