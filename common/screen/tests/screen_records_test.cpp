// cVkScreenInfo, the buffer sizes and cVkCursorList.
#include <gtest/gtest.h>

#include <climits>

#include "common/archive/archive.h"
#include "common/archive/object_buffer.h"
#include "common/archive/tests/test_bytes.h"
#include "common/screen/cursor_list.h"
#include "common/screen/register_screen.h"
#include "common/screen/screen_info.h"

using vktest::Ascii;
using vktest::Cat;
using vktest::Hex;

namespace {

class ScreenRecords : public ::testing::Test {
 protected:
  void SetUp() override { VkRegisterScreenClasses(); }
};

TEST_F(ScreenRecords, ScreenInfoBodyIsVersionAndThe1072DataBytes) {
  cVkScreenInfo info = cVkScreenInfo::ForTrueColour(1024, -768, 32, 0xFF0000, 0x00FF00, 0x0000FF);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(ObjectToBuffer(&info, bytes), 0);
  auto data = Cat({Hex("01000000 28000000 00040000 00FDFFFF 0100 2000 03000000 00003000 00000000 00000000"
                       "00000000 00000000"),
                   Hex("0000FF00 00FF0000 FF000000"), std::vector<uint8_t>(254 * 4, 0)});
  ASSERT_EQ(data.size(), 1072u);
  EXPECT_EQ(bytes, Cat({Hex("FFFF 0100 0D00"), Ascii("cVkScreenInfo"), Hex("01000000"), data}));

  std::unique_ptr<cVkScreenInfo> back;
  ASSERT_EQ(ObjectFromBufferAs(bytes.data(), bytes.size(), back), 0);
  EXPECT_EQ(back->header, info.header);
  EXPECT_EQ(back->colours, info.colours);
  EXPECT_EQ(back->trueColour, 1u);
  EXPECT_EQ(back->Clone(), nullptr) << "the format record has no clone";

  // A cut record fails; another layout version reads nothing more.
  bytes.pop_back();
  EXPECT_EQ(ObjectFromBufferAs(bytes.data(), bytes.size(), back), VK_AR_END_OF_FILE);
  cVkScreenInfo other;
  auto v2 = Cat({Hex("02000000"), data});
  cVkArchive ar{std::span<const uint8_t>(v2)};
  other.Serialize(ar);
  EXPECT_EQ(other.header.width, 0);
}

TEST_F(ScreenRecords, BufferSizesOfAScreen) {
  cVkScreenInfo info = cVkScreenInfo::ForTrueColour(1024, 768, 16, 0xF800, 0x07E0, 0x001F);
  VkScreenGeometry g = info.Geometry();
  EXPECT_EQ(g.FrameBytes(), 1572864u);
  EXPECT_EQ(g.BlockBytes(), 1572880u);
  EXPECT_EQ(g.ReceiveBytes(), 1573379u);
  info.header.height = -768;
  EXPECT_EQ(info.Geometry().height, 768);
  info.header.height = INT_MIN;
  EXPECT_FALSE(info.Geometry().IsValid());
}

// Cursor handles: identifier + 7 for the table's shapes.
class FakeCursors : public cVkCursorPlatform {
 public:
  uint32_t LoadSystemCursor(uint32_t id) override { return id + 7; }
  uint32_t GetDisplayedCursor() override { return shown; }
  void SetDisplayedCursor(uint32_t handle) override {
    shown = handle;
    ++sets;
  }
  uint32_t shown = 0;
  int sets = 0;
};

TEST_F(ScreenRecords, CursorTableIndicesAndSelection) {
  FakeCursors platform;
  cVkCursorList list(&platform);
  EXPECT_EQ(list.GetCurrent(), 32512u + 7);
  list.Rebuild();
  ASSERT_EQ(list.Handles().size(), 16u);
  EXPECT_EQ(list.Handles()[5], 32640u + 7);
  EXPECT_EQ(list.Handles()[12], 32648u + 7) << "32647 is not in the table";
  EXPECT_EQ(list.IndexOf(32513 + 7), 1u);
  EXPECT_EQ(list.IndexOf(32651 + 7), 15u);
  EXPECT_EQ(list.IndexOf(32647 + 7), 0u);
  EXPECT_EQ(list.IndexOf(12345), 0u);

  list.SelectByIndex(13);
  EXPECT_EQ(platform.shown, 32649u + 7);
  EXPECT_EQ(platform.sets, 1);
  list.SelectByIndex(13);
  EXPECT_EQ(platform.sets, 1) << "an already displayed cursor is not set again";
  list.SelectByIndex(16);
  EXPECT_EQ(platform.shown, 32512u + 7);
  list.SelectByIndex(2);
  list.SelectByIndex(-1);
  EXPECT_EQ(platform.shown, 32512u + 7);
  platform.shown = 1;  // another program changed the shape
  list.ApplyCurrent();
  EXPECT_EQ(platform.shown, 32512u + 7);
  int sets = platform.sets;
  list.ApplyCurrent();
  EXPECT_EQ(platform.sets, sets);
}

TEST_F(ScreenRecords, CursorListBody) {
  FakeCursors platform;
  cVkCursorList list(&platform);
  list.Rebuild();
  std::vector<uint8_t> body;
  cVkArchive ar(&body);
  list.Serialize(ar);
  ASSERT_EQ(body.size(), 4u + 2 + 16 * 4);
  EXPECT_EQ(std::vector<uint8_t>(body.begin(), body.begin() + 10), Hex("01000000 1000 077F0000"));

  cVkCursorList copy;
  cVkArchive in{std::span<const uint8_t>(body)};
  copy.Serialize(in);
  EXPECT_EQ(copy.Handles(), list.Handles());
  std::unique_ptr<cVkObject> clone(list.Clone());
  EXPECT_EQ(static_cast<cVkCursorList*>(clone.get())->Handles(), list.Handles());

  auto huge = Hex("01000000 FFFF 00000001 00000000");
  cVkArchive bad{std::span<const uint8_t>(huge)};
  copy.Serialize(bad);
  EXPECT_EQ(bad.Failure(), VK_AR_END_OF_FILE);
  EXPECT_EQ(copy.Handles(), list.Handles());
}

}  // namespace
