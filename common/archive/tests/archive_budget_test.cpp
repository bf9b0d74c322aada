// Back-references copy what they repeat: a decode is bounded by what its
// input can build, so nested references cannot multiply work and memory.
#include <gtest/gtest.h>

#include <new>

#include "common/archive/archive.h"
#include "common/archive/collection.h"
#include "common/archive/object_buffer.h"
#include "common/archive/register_archive.h"
#include "common/archive/string_data.h"
#include "common/archive/tests/test_bytes.h"
#include "platform/core/testing/allocation_meter.h"

namespace {

constexpr size_t kMiB = 1024 * 1024;

// The elements of a collection and of the collections inside it, at any depth.
size_t CountElements(const cVkCollection& list) {
  size_t count = 0;
  for (size_t i = 0; i < list.GetSize(); ++i) {
    ++count;
    if (auto* inner = dynamic_cast<const cVkCollection*>(list.GetAt(i))) count += CountElements(*inner);
  }
  return count;
}

class ArchiveBudget : public ::testing::Test {
 protected:
  void SetUp() override {
    VkRegisterArchiveClasses();
    VkRegisterClasses<cVkStringData>();
  }

  // Decodes under a meter; an allocation past `limit` throws bad_alloc.
  int32_t Decode(const std::vector<uint8_t>& bytes, std::unique_ptr<cVkObject>& out, size_t limit,
                 vktest::AllocationCounts& counts) {
    vktest::AllocationMeter meter(limit);
    int32_t rc = -1;
    EXPECT_NO_THROW(rc = ObjectFromBuffer(bytes.data(), bytes.size(), out));
    counts = meter.Counts();
    return rc;
  }
};

TEST_F(ArchiveBudget, ExponentialNestingIsRefusedWithLittleMemory) {
  auto bytes = vktest::NestedReferenceRecord(30);
  ASSERT_EQ(bytes.size(), 393u);
  std::unique_ptr<cVkObject> read;
  vktest::AllocationCounts counts;
  EXPECT_EQ(Decode(bytes, read, 64 * kMiB, counts), VK_AR_END_OF_FILE);
  EXPECT_EQ(read, nullptr);
  EXPECT_LT(counts.peakBytes, 64 * kMiB);
  // The copies stop at the limit: a few thousand objects, not 2^30.
  EXPECT_LT(counts.calls, 100000u);
}

TEST_F(ArchiveBudget, ShallowNestingWithinTheLimitReadsEveryCopy) {
  std::unique_ptr<cVkObject> read;
  vktest::AllocationCounts counts;
  ASSERT_EQ(Decode(vktest::NestedReferenceRecord(6), read, 64 * kMiB, counts), 0);
  auto* outer = dynamic_cast<cVkCollection*>(read.get());
  ASSERT_NE(outer, nullptr);
  ASSERT_EQ(outer->GetSize(), 7u);
  // Ai holds 2^(i+1) - 2 elements below it: 2 + 6 + 14 + 30 + 62 + 126, plus the 7 outer ones.
  EXPECT_EQ(CountElements(*outer), 7u + 2 + 6 + 14 + 30 + 62 + 126);
  EXPECT_NE(outer->GetAt(6), outer->GetAt(5));
}

TEST_F(ArchiveBudget, ManyReferencesToOneLongTextStopAtTheLimit) {
  // One text of 256K characters and 256K references to it: about 1 MiB that
  // would copy to 128 GiB.
  cVkCollection list;
  auto* text = new cVkStringData(std::u16string(256 * 1024, u'a'));
  for (int i = 0; i < 256 * 1024; ++i) list.Add(text);  // destroyed once
  std::vector<uint8_t> bytes;
  ASSERT_EQ(ObjectToBuffer(&list, bytes), 0);
  ASSERT_LT(bytes.size(), 1 * kMiB + 64);

  std::unique_ptr<cVkObject> read;
  vktest::AllocationCounts counts;
  EXPECT_EQ(Decode(bytes, read, 64 * kMiB, counts), VK_AR_END_OF_FILE);
  EXPECT_EQ(read, nullptr);
  EXPECT_LT(counts.peakBytes, 64 * kMiB);
}

TEST_F(ArchiveBudget, TheLimitFollowsTheInputSize) {
  // A reference costs the whole object it copies: a 1000-character text
  // repeated fills the limit of a small record, and longer input pays for more.
  auto record = [](size_t references, size_t padding) {
    cVkCollection list;
    auto* text = new cVkStringData(std::u16string(1000, u'x'));
    for (size_t i = 0; i < references; ++i) list.Add(text);
    for (size_t i = 0; i < padding; ++i) list.Add(nullptr);
    std::vector<uint8_t> bytes;
    EXPECT_EQ(ObjectToBuffer(&list, bytes), 0);
    return bytes;
  };
  std::unique_ptr<cVkObject> read;
  vktest::AllocationCounts counts;
  EXPECT_EQ(Decode(record(60, 0), read, 64 * kMiB, counts), VK_AR_END_OF_FILE);
  ASSERT_EQ(Decode(record(60, 4000), read, 64 * kMiB, counts), 0);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(static_cast<cVkCollection*>(read.get())->GetSize(), 4060u);
}

}  // namespace
