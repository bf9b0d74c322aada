#include "platform/x11/desktop_queries.h"

#include <gtest/gtest.h>

#include "platform/x11/cursor_names.h"
#include "platform/x11/testing/x_drawing.h"
#include "platform/x11/testing/xvfb_server.h"

namespace {

TEST(DesktopQueries, ForegroundIsTheFocusedTopLevelAndCursorNamesAreRead) {
  vk::testing::XvfbServer xvfb(800, 600);
  ASSERT_TRUE(xvfb.Running());
  vk::x11::testing::XDrawing x;
  vk::x11::DesktopQueries queries;
  ASSERT_TRUE(queries.Open());

  VkRect rect;
  EXPECT_FALSE(queries.ForegroundRect(rect));  // focus on the root

  const auto window = x.MakeWindow(100, 50, 200, 120, 0x00FF00);
  x.SetNamedCursor(window, "xterm");
  x.FocusWindow(window);
  ASSERT_TRUE(queries.ForegroundRect(rect));
  EXPECT_EQ(rect.left, 100);
  EXPECT_EQ(rect.top, 50);
  EXPECT_EQ(rect.right, 300);
  EXPECT_EQ(rect.bottom, 170);

  x.MovePointer(10, 10);
  EXPECT_EQ(vk::x11::CursorIdFromName(queries.CursorName()), 0u);
  x.MovePointer(150, 100);
  EXPECT_EQ(queries.CursorName(), "xterm");
  EXPECT_EQ(vk::x11::CursorIdFromName(queries.CursorName()), 32513u);
}

}  // namespace
