#include "common/network/tree_item.h"

#include <gtest/gtest.h>

#include "common/archive/archive.h"
#include "common/archive/object_buffer.h"
#include "common/archive/register_archive.h"
#include "common/archive/string_data.h"
#include "common/archive/tests/test_bytes.h"
#include "common/network/nt4_records.h"

using vktest::Ascii;
using vktest::Cat;
using vktest::Hex;

namespace {

class TreeItems : public ::testing::Test {
 protected:
  void SetUp() override {
    VkRegisterArchiveClasses();
    VkRegisterClasses<cVkTreeItem, cVkNT4Domain, cVkStringData>();
  }
};

std::unique_ptr<cVkTreeItem> TwoChildren() {
  auto root = std::make_unique<cVkTreeItem>(u"R", 2, 1, 2, nullptr);
  root->AddChild(std::make_unique<cVkTreeItem>(u"a", 0, 0, 0, nullptr));
  root->AddChild(std::make_unique<cVkTreeItem>(u"b", 0, 0, 0, nullptr));
  return root;
}

const std::vector<uint8_t> kChildA = Hex("01000000 FFFEFF 01 6100 00000000 00000000 00000000 0000 0000");
const std::vector<uint8_t> kChildB = Hex("01000000 FFFEFF 01 6200 00000000 00000000 00000000 0000 0000");

TEST_F(TreeItems, TwoChildrenAreACountAndTwoRecords) {
  auto root = TwoChildren();
  std::vector<uint8_t> body;
  cVkArchive ar(&body);
  root->Serialize(ar);
  EXPECT_EQ(body, Cat({Hex("01000000 FFFEFF 01 5200 02000000 01000000 02000000 0000 0200"), Hex("FFFF 0100 0B00"),
                       Ascii("cVkTreeItem"), kChildA, Hex("0180"), kChildB}));

  // As a record, the root's class part comes first and the children refer to it.
  std::vector<uint8_t> record;
  ASSERT_EQ(ObjectToBuffer(root.get(), record), 0);
  EXPECT_EQ(record, Cat({Hex("FFFF 0100 0B00"), Ascii("cVkTreeItem"),
                         Hex("01000000 FFFEFF 01 5200 02000000 01000000 02000000 0000 0200"), Hex("0180"), kChildA,
                         Hex("0180"), kChildB}));
  std::unique_ptr<cVkTreeItem> back;
  ASSERT_EQ(ObjectFromBufferAs(record.data(), record.size(), back), 0);
  ASSERT_EQ(back->children.size(), 2u);
  EXPECT_EQ(back->children[1]->text, u"b");
  EXPECT_EQ(back->state, 2u);
  EXPECT_EQ(back->selectedImage, 2u);
}

TEST_F(TreeItems, NodesAndSubtreesCopyDeep) {
  auto root = TwoChildren();
  root->node = std::make_unique<cVkNT4Domain>(u"DOM", 0, 0, 0, u"PDC");
  root->children[0]->AddChild(
      std::make_unique<cVkTreeItem>(u"deep", 0x7B, 3, 4, std::make_unique<cVkNT4Domain>(u"D2", 0, 0, 0, u"")));
  std::vector<uint8_t> record;
  ASSERT_EQ(ObjectToBuffer(root.get(), record), 0);
  std::unique_ptr<cVkTreeItem> back;
  ASSERT_EQ(ObjectFromBufferAs(record.data(), record.size(), back), 0);
  std::vector<uint8_t> again;
  ASSERT_EQ(ObjectToBuffer(back.get(), again), 0);
  EXPECT_EQ(again, record);

  std::unique_ptr<cVkTreeItem> clone(static_cast<cVkTreeItem*>(root->Clone()));
  EXPECT_NE(clone->node.get(), root->node.get());
  EXPECT_NE(clone->children[0].get(), root->children[0].get());
  ASSERT_EQ(ObjectToBuffer(clone.get(), again), 0);
  EXPECT_EQ(again, record);
}

TEST_F(TreeItems, ChildrenOfAnotherClassOrTooManyAreRefused) {
  auto bad = Cat({Hex("FFFF 0100 0B00"), Ascii("cVkTreeItem"), Hex("01000000 FFFEFF 00 00000000 00000000 00000000"),
                  Hex("0000 0100 FFFF 0100 0D00"), Ascii("cVkStringData"), Hex("01000000 FFFEFF 00")});
  std::unique_ptr<cVkObject> out;
  EXPECT_EQ(ObjectFromBuffer(bad.data(), bad.size(), out), VK_AR_BAD_CLASS);
  auto many = Cat({Hex("FFFF 0100 0B00"), Ascii("cVkTreeItem"), Hex("01000000 FFFEFF 00 00000000 00000000 00000000"),
                   Hex("0000 FFFF 00CA9A3B 0000")});
  EXPECT_EQ(ObjectFromBuffer(many.data(), many.size(), out), VK_AR_END_OF_FILE);
  EXPECT_FALSE(out);
}

}  // namespace
