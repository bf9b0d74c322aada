// Objects a test screen hands to the session as its screen format: one that
// archives (a text, so the console can recognise it) and one that fails to.
#pragma once

#include <memory>
#include <string>

#include "common/archive/archive.h"
#include "common/archive/archive_causes.h"
#include "common/archive/string_data.h"

namespace vk::testing {

inline std::unique_ptr<cVkObject> MakeInfoObject(std::u16string text) {
  return std::make_unique<cVkStringData>(std::move(text));
}

// Its body cannot be written: the archive fails half-way.
class cUnwritableObject : public cVkStringData {
 public:
  using cVkStringData::cVkStringData;
  void Serialize(cVkArchive& archive) override {
    cVkStringData::Serialize(archive);
    archive.Fail(VK_AR_GENERIC);
  }
};

inline std::unique_ptr<cVkObject> MakeUnwritableObject() {
  return std::make_unique<cUnwritableObject>(u"half a record");
}

}  // namespace vk::testing
