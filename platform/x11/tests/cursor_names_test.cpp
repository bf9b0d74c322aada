#include "platform/x11/cursor_names.h"

#include <gtest/gtest.h>

namespace {

TEST(CursorNames, ThemeAndCssNamesMapToTheStandardIdentifiers) {
  using vk::x11::CursorIdFromName;
  EXPECT_EQ(CursorIdFromName("left_ptr"), 32512u);
  EXPECT_EQ(CursorIdFromName("default"), 32512u);
  EXPECT_EQ(CursorIdFromName("xterm"), 32513u);
  EXPECT_EQ(CursorIdFromName("text"), 32513u);
  EXPECT_EQ(CursorIdFromName("watch"), 32514u);
  EXPECT_EQ(CursorIdFromName("sb_h_double_arrow"), 32644u);
  EXPECT_EQ(CursorIdFromName("fleur"), 32646u);
  EXPECT_EQ(CursorIdFromName("not-allowed"), 32648u);
  EXPECT_EQ(CursorIdFromName("hand2"), 32649u);
  EXPECT_EQ(CursorIdFromName("left_ptr_watch"), 32650u);
  EXPECT_EQ(CursorIdFromName("question_arrow"), 32651u);
  // 32647 is not a table entry; unknown and unnamed shapes have no identifier.
  EXPECT_EQ(CursorIdFromName("pirate"), 0u);
  EXPECT_EQ(CursorIdFromName(""), 0u);
  EXPECT_EQ(CursorIdFromName("XTERM"), 0u);
}

}  // namespace
