// cVkReadObserver: what a loading archive meets on its way, for tools that
// show an archive as it is written (vkdump).
#pragma once

#include <cstdint>

class cVkObject;

class cVkReadObserver {
 public:
  virtual ~cVkReadObserver() = default;
  // A new object was created under `index`; its body is read next.
  virtual void ObjectCreated(uint32_t index, const cVkObject& object) = 0;
  // A back-reference to the object under `index` was read as `copy`.
  virtual void ReferenceRead(uint32_t index, const cVkObject& copy) = 0;
  // The body of `body` (an object record's or one embedded in another body)
  // opened with this layout version.
  virtual void LayoutVersionRead(const cVkObject& body, uint32_t version) = 0;
};
