// Keeps a dialog's child windows anchored to its edges while the dialog is
// resized. Each entry records, at set-up, the child's rectangle against the
// client size of that moment; on every size change the child is placed
// again by its anchor kind:
//
//   1  left and top fixed, height stretches    6  moves with the right edge
//   2  left and top fixed, width stretches     7  moves with the bottom-right corner
//   3  moves with the right edge, height       8  moves with the bottom edge
//      stretches                               other kinds (0, 9): width and
//   4  moves with the bottom edge, width          height stretch
//      stretches
//   5  stays as it is
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

enum LayoutAnchor : std::int32_t {
  kAnchorStretchAll = 0,
  kAnchorHeight = 1,
  kAnchorWidth = 2,
  kAnchorRightHeight = 3,
  kAnchorBottomWidth = 4,
  kAnchorFixed = 5,
  kAnchorRight = 6,
  kAnchorBottomRight = 7,
  kAnchorBottom = 8,
  kAnchorStretch = 9,
};

// One anchored child; the meaning of x, y, cx and cy depends on the anchor.
struct _layoutinfo {
  std::int32_t anchor;
  HWND window;
  std::int32_t x;
  std::int32_t y;
  std::int32_t cx;
  std::int32_t cy;
};

class CResizeLayout {
 public:
  // Records the parent's client size and makes room for `entries` children.
  void SetUp(HWND parent, int entries);
  // Anchors the child at index; false (and nothing recorded) for an index
  // outside the entries or a window that is not there.
  bool SetEntry(int index, HWND child, std::int32_t anchor);
  // Places every recorded child again for the new client size.
  void Resize(int width, int height) const;

 private:
  HWND m_parent = nullptr;
  int m_width0 = 0;
  int m_height0 = 0;
  std::vector<_layoutinfo> m_entries;
};
