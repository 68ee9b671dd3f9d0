// Every anchor kind of the resize layout, on child windows of a plain
// parent: where each child stands after the parent grew.
#include <windows.h>

#include <gtest/gtest.h>

#include "query_tool/resize_layout.h"

namespace {

constexpr int kGrowX = 70;
constexpr int kGrowY = 40;

RECT ChildRect(HWND parent, HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

struct Expected {
  std::int32_t anchor;
  int dl, dt, dr, db;  // change of each edge
};

TEST(ResizeLayoutTest, EveryAnchorKindFollowsItsEdges) {
  constexpr Expected kCases[] = {
      {kAnchorStretchAll, 0, 0, kGrowX, kGrowY},  {kAnchorHeight, 0, 0, 0, kGrowY},
      {kAnchorWidth, 0, 0, kGrowX, 0},             {kAnchorRightHeight, kGrowX, 0, kGrowX, kGrowY},
      {kAnchorBottomWidth, 0, kGrowY, kGrowX, kGrowY}, {kAnchorFixed, 0, 0, 0, 0},
      {kAnchorRight, kGrowX, 0, kGrowX, 0},        {kAnchorBottomRight, kGrowX, kGrowY, kGrowX, kGrowY},
      {kAnchorBottom, 0, kGrowY, 0, kGrowY},       {kAnchorStretch, 0, 0, kGrowX, kGrowY},
  };
  constexpr int kCount = static_cast<int>(std::size(kCases));
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  HWND children[kCount];
  RECT before[kCount];
  CResizeLayout layout;
  layout.SetUp(parent, kCount);
  for (int i = 0; i < kCount; ++i) {
    children[i] = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 10 + 30 * i, 20 + 10 * i, 25, 15, parent, nullptr,
                                  nullptr, nullptr);
    before[i] = ChildRect(parent, children[i]);
    EXPECT_TRUE(layout.SetEntry(i, children[i], kCases[i].anchor));
  }
  // Entries outside the array are refused, never written.
  EXPECT_FALSE(layout.SetEntry(kCount, children[0], kAnchorFixed));
  EXPECT_FALSE(layout.SetEntry(-1, children[0], kAnchorFixed));

  RECT client{};
  GetClientRect(parent, &client);
  layout.Resize(client.right + kGrowX, client.bottom + kGrowY);
  for (int i = 0; i < kCount; ++i) {
    const RECT now = ChildRect(parent, children[i]);
    SCOPED_TRACE(kCases[i].anchor);
    EXPECT_EQ(now.left - before[i].left, kCases[i].dl);
    EXPECT_EQ(now.top - before[i].top, kCases[i].dt);
    EXPECT_EQ(now.right - before[i].right, kCases[i].dr);
    EXPECT_EQ(now.bottom - before[i].bottom, kCases[i].db);
  }
  // Back to the first size, everything stands where it stood.
  layout.Resize(client.right, client.bottom);
  for (int i = 0; i < kCount; ++i) {
    const RECT now = ChildRect(parent, children[i]);
    EXPECT_TRUE(EqualRect(&now, &before[i])) << kCases[i].anchor;
  }
  DestroyWindow(parent);
}

}  // namespace
