// Object records: class parts, back-references, escapes and failure causes.
#include <gtest/gtest.h>

#include "common/archive/archive.h"
#include "common/archive/collection.h"
#include "common/archive/object_buffer.h"
#include "common/archive/register_archive.h"
#include "common/archive/string_data.h"
#include "common/archive/tests/test_bytes.h"

using vktest::Ascii;
using vktest::Cat;
using vktest::Hex;

namespace {

// A class of the tests with a stored schema that may differ: versionable.
class cVkTestVersioned : public cVkObject {
  VK_DECLARE_SERIAL(cVkTestVersioned)
 public:
  uint32_t seenSchema = 0;
  void Serialize(cVkArchive& ar) override {
    if (!ar.IsStoring()) seenSchema = ar.GetObjectSchema();
  }
};
VK_IMPLEMENT_SERIAL(cVkTestVersioned, &cVkObject::classInfo, VK_SCHEMA_VERSIONABLE | 3)

class ArchiveObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    VkRegisterArchiveClasses();
    VkRegisterClasses<cVkStringData, cVkTestVersioned>();
  }
};

std::vector<uint8_t> ToBytes(const cVkObject* object) {
  std::vector<uint8_t> bytes;
  EXPECT_EQ(ObjectToBuffer(object, bytes), 0);
  return bytes;
}

int32_t Read(const std::vector<uint8_t>& bytes, std::unique_ptr<cVkObject>& out) {
  return ObjectFromBuffer(bytes.data(), bytes.size(), out);
}

const std::vector<uint8_t> kAbcRecord =
    Cat({Hex("FF FF 01 00 0D 00"), Ascii("cVkStringData"), Hex("01 00 00 00 FF FE FF 03 61 00 62 00 63 00")});

std::vector<uint8_t> CollectionHead() { return Cat({Hex("FF FF 01 00 0D 00"), Ascii("cVkCollection")}); }

TEST_F(ArchiveObjects, StringDataRecordIsExactly33Bytes) {
  cVkStringData abc(u"abc");
  auto bytes = ToBytes(&abc);
  EXPECT_EQ(bytes.size(), 33u);
  EXPECT_EQ(bytes, kAbcRecord);

  std::unique_ptr<cVkObject> read;
  ASSERT_EQ(Read(bytes, read), 0);
  auto* text = dynamic_cast<cVkStringData*>(read.get());
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetText(), u"abc");
}

TEST_F(ArchiveObjects, SecondObjectOfAClassCarriesAClassReference) {
  cVkCollection list;
  list.Add(new cVkStringData(u"a"));
  list.Add(new cVkStringData(u"bc"));
  list.Add(nullptr);
  auto expected =
      Cat({CollectionHead(), Hex("01 00 00 00 03 00"), Hex("FF FF 01 00 0D 00"), Ascii("cVkStringData"),
           Hex("01 00 00 00 FF FE FF 01 61 00"), Hex("03 80 01 00 00 00 FF FE FF 02 62 00 63 00"), Hex("00 00")});
  EXPECT_EQ(ToBytes(&list), expected);

  std::unique_ptr<cVkObject> read;
  ASSERT_EQ(Read(expected, read), 0);
  auto* copy = dynamic_cast<cVkCollection*>(read.get());
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->GetSize(), 3u);
  EXPECT_EQ(static_cast<cVkStringData*>(copy->GetAt(0))->GetText(), u"a");
  EXPECT_EQ(static_cast<cVkStringData*>(copy->GetAt(1))->GetText(), u"bc");
  EXPECT_EQ(copy->GetAt(2), nullptr);
}

TEST_F(ArchiveObjects, RepeatedPointerIsWrittenAsItsIndexAndReadAsAnOwnedCopy) {
  cVkCollection list;
  auto* shared = new cVkStringData(u"x");
  list.Add(shared);
  list.Add(shared);  // destroyed once by the collection
  auto expected = Cat({CollectionHead(), Hex("01 00 00 00 02 00"), Hex("FF FF 01 00 0D 00"), Ascii("cVkStringData"),
                       Hex("01 00 00 00 FF FE FF 01 78 00"), Hex("04 00")});
  EXPECT_EQ(ToBytes(&list), expected);

  std::unique_ptr<cVkObject> read;
  ASSERT_EQ(Read(expected, read), 0);
  auto* copy = static_cast<cVkCollection*>(read.get());
  ASSERT_EQ(copy->GetSize(), 2u);
  EXPECT_NE(copy->GetAt(0), copy->GetAt(1)) << "each element has its own owner";
  EXPECT_EQ(static_cast<cVkStringData*>(copy->GetAt(1))->GetText(), u"x");
}

TEST_F(ArchiveObjects, LargeIndicesUseThe7FFFEscapes) {
  cVkCollection list;
  for (int i = 0; i < 0x7FFE; ++i) list.Add(new cVkStringData);
  // Indices: collection class 1, collection 2, string class 3, strings 4..0x8001.
  auto* inner1 = new cVkCollection;
  auto* inner2 = new cVkCollection;
  auto* repeated = new cVkStringData(u"r");
  list.Add(repeated);              // 0x8002
  list.Add(inner1);                // new collection object, class by reference 0x8001 (small)
  list.Add(new cVkTestVersioned);  // new class 0x8004, object 0x8005
  list.Add(new cVkTestVersioned);  // class reference 0x8004: big escape
  list.Add(repeated);              // object reference 0x8002: big escape
  list.Add(inner2);
  auto bytes = ToBytes(&list);
  auto tail = Cat({Hex("FF 7F 04 80 00 80"), Hex("FF 7F 02 80 00 00"), Hex("01 80 01 00 00 00 00 00")});
  ASSERT_GT(bytes.size(), tail.size());
  EXPECT_EQ(std::vector<uint8_t>(bytes.end() - static_cast<long>(tail.size()), bytes.end()), tail);

  std::unique_ptr<cVkObject> read;
  ASSERT_EQ(Read(bytes, read), 0);
  auto* copy = static_cast<cVkCollection*>(read.get());
  ASSERT_EQ(copy->GetSize(), list.GetSize());
  EXPECT_EQ(static_cast<cVkStringData*>(copy->GetAt(0x8002))->GetText(), u"r");
  EXPECT_NE(dynamic_cast<cVkTestVersioned*>(copy->GetAt(0x8001)), nullptr);
}

TEST_F(ArchiveObjects, NullAndEmptyBuffers) {
  std::unique_ptr<cVkObject> keep(new cVkStringData(u"kept"));
  cVkObject* before = keep.get();
  EXPECT_EQ(ObjectFromBuffer(nullptr, 10, keep), 0);
  EXPECT_EQ(ObjectFromBuffer(kAbcRecord.data(), 0, keep), 0);
  EXPECT_EQ(keep.get(), before);
  EXPECT_EQ(ToBytes(nullptr), Hex("00 00"));

  // Callers that need an object of one class: empty, null and foreign fail with bad class.
  std::unique_ptr<cVkCollection> typed;
  EXPECT_EQ(ObjectFromBufferAs(kAbcRecord.data(), 0, typed), VK_AR_BAD_CLASS);
  auto null = Hex("00 00");
  EXPECT_EQ(ObjectFromBufferAs(null.data(), null.size(), typed), VK_AR_BAD_CLASS);
  EXPECT_EQ(ObjectFromBufferAs(kAbcRecord.data(), kAbcRecord.size(), typed), VK_AR_BAD_CLASS);
  std::unique_ptr<cVkStringData> text;
  EXPECT_EQ(ObjectFromBufferAs(kAbcRecord.data(), kAbcRecord.size(), text), 0);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->GetText(), u"abc");
  std::unique_ptr<cVkObject> base;
  EXPECT_EQ(ObjectFromBufferOfClass(kAbcRecord.data(), kAbcRecord.size(), &cVkObject::classInfo, base), 0)
      << "a derived class satisfies a request for its base";
}

TEST_F(ArchiveObjects, EachFailureCause) {
  std::unique_ptr<cVkObject> out;
  // 3: every cut of a valid record fails cleanly (6 while the class name is cut).
  for (size_t n = 1; n < kAbcRecord.size(); ++n) {
    std::vector<uint8_t> cut(kAbcRecord.begin(), kAbcRecord.begin() + static_cast<long>(n));
    int32_t rc = Read(cut, out);
    EXPECT_TRUE(rc == VK_AR_END_OF_FILE || (rc == VK_AR_BAD_CLASS && n >= 6 && n < 19)) << n << " " << rc;
    EXPECT_FALSE(out);
  }
  // 6: unknown class, and a name of 64 characters or more.
  EXPECT_EQ(Read(Cat({Hex("FF FF 01 00 0C 00"), Ascii("cVkNoSuchOne"), Hex("01 00 00 00")}), out), VK_AR_BAD_CLASS);
  EXPECT_EQ(Read(Cat({Hex("FF FF 01 00 40 00"), std::vector<uint8_t>(64, 'a')}), out), VK_AR_BAD_CLASS);
  // 7: another schema of a class that is not versionable.
  EXPECT_EQ(Read(Cat({Hex("FF FF 02 00 0D 00"), Ascii("cVkStringData"), Hex("01 00 00 00 FF FE FF 00")}), out),
            VK_AR_BAD_SCHEMA);
  // 5: an object reference beyond the counter, a class index 0 or beyond.
  EXPECT_EQ(Read(Hex("01 00"), out), VK_AR_BAD_INDEX);
  EXPECT_EQ(Read(Hex("00 80"), out), VK_AR_BAD_INDEX);
  EXPECT_EQ(Read(Hex("05 80"), out), VK_AR_BAD_INDEX);
  EXPECT_EQ(Read(Hex("FF 7F 09 00 00 00"), out), VK_AR_BAD_INDEX);
  EXPECT_EQ(Read(Hex("FF 7F 01 00 00 80"), out), VK_AR_BAD_INDEX);
  EXPECT_FALSE(out);
}

TEST_F(ArchiveObjects, VersionableClassHandsTheStoredSchemaToItsReader) {
  auto bytes = Cat({Hex("FF FF 07 00 10 00"), Ascii("cVkTestVersioned")});
  std::unique_ptr<cVkObject> out;
  ASSERT_EQ(Read(bytes, out), 0);
  EXPECT_EQ(static_cast<cVkTestVersioned*>(out.get())->seenSchema, 7u);
  cVkTestVersioned written;
  EXPECT_EQ(ToBytes(&written), Cat({Hex("FF FF 03 00 10 00"), Ascii("cVkTestVersioned")}));
}

TEST_F(ArchiveObjects, ReferencesIntoTheClassSlotsOrToUnfinishedObjectsAreRefused) {
  std::unique_ptr<cVkObject> out;
  // Element 1 refers to index 1, the collection's class: not an object.
  EXPECT_EQ(Read(Cat({CollectionHead(), Hex("01 00 00 00 01 00 01 00")}), out), VK_AR_BAD_INDEX);
  // Element 1 refers to index 2, the collection itself, still being read: a cycle.
  EXPECT_EQ(Read(Cat({CollectionHead(), Hex("01 00 00 00 01 00 02 00")}), out), VK_AR_BAD_INDEX);
  // A class reference to index 2, an object slot.
  EXPECT_EQ(Read(Cat({CollectionHead(), Hex("01 00 00 00 01 00 02 80")}), out), VK_AR_BAD_INDEX);
  EXPECT_FALSE(out);
}

TEST_F(ArchiveObjects, NestingDepthIsBounded) {
  std::vector<uint8_t> deep = Cat({CollectionHead(), Hex("01 00 00 00 01 00")});
  for (int i = 0; i < 100000; ++i) {
    auto level = Hex("01 80 01 00 00 00 01 00");
    deep.insert(deep.end(), level.begin(), level.end());
  }
  std::unique_ptr<cVkObject> out;
  EXPECT_EQ(Read(deep, out), VK_AR_GENERIC);
  EXPECT_FALSE(out);

  // Writing a structure deeper than the bound fails the same way.
  auto root = std::make_unique<cVkCollection>();
  cVkCollection* at = root.get();
  for (int i = 0; i < cVkArchive::kMaxDepth + 5; ++i) {
    auto* next = new cVkCollection;
    at->Add(next);
    at = next;
  }
  std::vector<uint8_t> bytes;
  EXPECT_EQ(ObjectToBuffer(root.get(), bytes), VK_AR_GENERIC);

  // Just within the bound it round-trips.
  auto shallow = std::make_unique<cVkCollection>();
  at = shallow.get();
  for (int i = 0; i < cVkArchive::kMaxDepth - 1; ++i) {
    auto* next = new cVkCollection;
    at->Add(next);
    at = next;
  }
  ASSERT_EQ(ObjectToBuffer(shallow.get(), bytes), 0);
  EXPECT_EQ(Read(bytes, out), 0);
}

TEST_F(ArchiveObjects, RpcBufferForms) {
  cVkStringData abc(u"abc");
  VkRpcBuffer pair;
  ASSERT_EQ(ObjectToRpcBuffer(&abc, pair), 0);
  ASSERT_EQ(pair.length, 33u);
  EXPECT_EQ(std::vector<uint8_t>(pair.bytes, pair.bytes + pair.length), kAbcRecord);
  std::unique_ptr<cVkStringData> back;
  EXPECT_EQ(ObjectFromRpcBufferAs(pair, back), 0);
  EXPECT_EQ(back->GetText(), u"abc");
  VkFreeRpcBuffer(pair);
  EXPECT_EQ(pair.bytes, nullptr);

  auto failing = [](size_t, int32_t* status) -> void* {
    *status = 14;
    return nullptr;
  };
  EXPECT_EQ(ObjectToRpcBuffer(&abc, pair, failing), 14);
  EXPECT_EQ(pair.bytes, nullptr);

  ASSERT_EQ(ObjectToRpcBufferNoCopy(&abc, pair), 0);
  EXPECT_EQ(pair.length, 33u);
  VkFreeRpcBuffer(pair);
}

TEST_F(ArchiveObjects, CollectionCopyClonesEachElement) {
  cVkCollection list;
  list.Add(new cVkStringData(u"one"));
  list.Add(nullptr);
  list.Add(new cVkObject);  // the root cannot clone
  cVkCollection copy;
  copy.Add(new cVkStringData(u"old"));
  copy.CopyFrom(list);
  ASSERT_EQ(copy.GetSize(), 3u);
  EXPECT_NE(copy.GetAt(0), list.GetAt(0));
  EXPECT_EQ(static_cast<cVkStringData*>(copy.GetAt(0))->GetText(), u"one");
  EXPECT_EQ(copy.GetAt(1), nullptr);
  EXPECT_EQ(copy.GetAt(2), nullptr);
  copy.DeleteAll();
  EXPECT_EQ(copy.GetSize(), 0u);
}

}  // namespace
