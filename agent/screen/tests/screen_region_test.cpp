#include "agent/screen/screen_region.h"

#include <gtest/gtest.h>

#include "agent/screen/screen_settings.h"
#include "agent/screen/section_widening.h"

namespace {

// Pixel-level view of a region inside a 64 x 64 area, to compare with the union.
std::vector<int> Coverage(const std::vector<VkRect>& rects) {
  std::vector<int> cover(64 * 64, 0);
  for (const VkRect& r : rects) {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) ++cover[y * 64 + x];
  }
  return cover;
}

TEST(ScreenRegion, KeepsTheUnionAsNonOverlappingRectanglesInScreenOrder) {
  cVkScreenRegion region;
  const std::vector<VkRect> added = {{10, 10, 30, 20}, {20, 15, 40, 35}, {0, 0, 5, 5},
                                     {12, 12, 18, 18}, {0, 50, 64, 64},  {30, 40, 30, 60}};
  for (const VkRect& r : added) region.Add(r);
  auto expected = Coverage({{10, 10, 30, 20}, {20, 15, 40, 35}, {0, 0, 5, 5}, {0, 50, 64, 64}});
  for (int& c : expected) c = c ? 1 : 0;
  const std::vector<VkRect> rects = region.Take();
  EXPECT_EQ(Coverage(rects), expected);  // every pixel once: no overlap, nothing lost
  for (size_t i = 1; i < rects.size(); ++i) {
    EXPECT_TRUE(rects[i - 1].top < rects[i].top ||
                (rects[i - 1].top == rects[i].top && rects[i - 1].left < rects[i].left));
  }
  EXPECT_TRUE(region.Empty());
  region.Add({5, 5, 5, 9});
  EXPECT_TRUE(region.Empty());
  region.Add({1, 1, 3, 3});
  region.Add({0, 0, 64, 64});  // a covering rectangle replaces what it covers
  EXPECT_EQ(region.Take(), (std::vector<VkRect>{{0, 0, 64, 64}}));
}

TEST(SectionWidening, WidensToWholeFourByteRowsOrLeavesTheSectionUnwidened) {
  // 24-bit colour: 5 pixels from x = 10 grow to the right to 8 pixels (24 bytes).
  VkRect r{10, 0, 15, 4};
  EXPECT_TRUE(VkWidenSection(r, 1366, 3));
  EXPECT_EQ(r, (VkRect{10, 0, 18, 4}));
  // At the right edge the section grows to the left.
  r = {1363, 0, 1366, 1};
  EXPECT_TRUE(VkWidenSection(r, 1366, 3));
  EXPECT_EQ(r, (VkRect{1362, 0, 1366, 1}));
  // A full-width row of 1366 x 3 bytes cannot be widened: it stays as it is
  // and is captured unwidened rather than failing.
  r = {0, 0, 1366, 768};
  EXPECT_FALSE(VkWidenSection(r, 1366, 3));
  EXPECT_EQ(r, (VkRect{0, 0, 1366, 768}));
  // 16 bits: odd widths grow by one; 32 bits never change.
  r = {3, 3, 6, 4};
  EXPECT_TRUE(VkWidenSection(r, 100, 2));
  EXPECT_EQ(r, (VkRect{3, 3, 7, 4}));
  r = {3, 3, 6, 4};
  EXPECT_TRUE(VkWidenSection(r, 100, 4));
  EXPECT_EQ(r, (VkRect{3, 3, 6, 4}));
}

TEST(ScreenSettings, ValuesAreMadeSafeWhereTheyAreUsed) {
  EXPECT_EQ(VkCaptureIntervalAtUse(0), 100);
  EXPECT_EQ(VkCaptureIntervalAtUse(-1), 100);
  EXPECT_EQ(VkCaptureIntervalAtUse(40), 40);
  EXPECT_EQ(VkCaptureIntervalAtUse(1), 10);
  EXPECT_EQ(VkCaptureIntervalAtUse(9), 10);
  // The session follows the capture interval below 100 ms, down to 10 ms.
  EXPECT_EQ(VkSessionPeriodFor(100), 100);
  EXPECT_EQ(VkSessionPeriodFor(1000), 100);
  EXPECT_EQ(VkSessionPeriodFor(0), 100);
  EXPECT_EQ(VkSessionPeriodFor(-1), 100);
  EXPECT_EQ(VkSessionPeriodFor(20), 20);
  EXPECT_EQ(VkSessionPeriodFor(99), 99);
  EXPECT_EQ(VkSessionPeriodFor(3), 10);
  EXPECT_EQ(VkCompressionLevelAtUse(10), 6);
  EXPECT_EQ(VkCompressionLevelAtUse(-2), 6);
  EXPECT_EQ(VkCompressionLevelAtUse(-1), -1);
  EXPECT_EQ(VkCompressionLevelAtUse(9), 9);
  EXPECT_EQ(VkRefreshIntervalAtUse(0), -1);
  EXPECT_EQ(VkRefreshIntervalAtUse(-5), -1);
  EXPECT_EQ(VkRefreshIntervalAtUse(-1), -1);
  EXPECT_EQ(VkRefreshIntervalAtUse(1000), 1000);
}

}  // namespace
