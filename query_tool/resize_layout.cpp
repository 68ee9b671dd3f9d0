#include "query_tool/resize_layout.h"

namespace {

// The child's rectangle in the parent's client coordinates.
RECT ChildRect(HWND parent, HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// What each anchor keeps: distances from the edges it follows, sizes it keeps.
_layoutinfo Record(std::int32_t anchor, HWND child, const RECT& r, int w0, int h0) {
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  switch (anchor) {
    case kAnchorHeight: return {anchor, child, r.left, r.top, width, h0 - height};
    case kAnchorWidth: return {anchor, child, r.left, r.top, w0 - width, height};
    case kAnchorRightHeight: return {anchor, child, w0 - r.left, r.top, width, h0 - height};
    case kAnchorBottomWidth: return {anchor, child, r.left, h0 - r.top, w0 - width, height};
    case kAnchorFixed: return {anchor, child, r.left, r.top, width, height};
    case kAnchorRight: return {anchor, child, w0 - r.left, r.top, width, height};
    case kAnchorBottomRight: return {anchor, child, w0 - r.left, h0 - r.top, width, height};
    case kAnchorBottom: return {anchor, child, r.left, h0 - r.top, width, height};
    default: return {anchor, child, r.left, r.top, w0 - width, h0 - height};
  }
}

// The child's new rectangle (left, top, width, height) at client size w x h.
RECT Place(const _layoutinfo& e, int w, int h) {
  switch (e.anchor) {
    case kAnchorHeight: return {e.x, e.y, e.cx, h - e.cy};
    case kAnchorWidth: return {e.x, e.y, w - e.cx, e.cy};
    case kAnchorRightHeight: return {w - e.x, e.y, e.cx, h - e.cy};
    case kAnchorBottomWidth: return {e.x, h - e.y, w - e.cx, e.cy};
    case kAnchorFixed: return {e.x, e.y, e.cx, e.cy};
    case kAnchorRight: return {w - e.x, e.y, e.cx, e.cy};
    case kAnchorBottomRight: return {w - e.x, h - e.y, e.cx, e.cy};
    case kAnchorBottom: return {e.x, h - e.y, e.cx, e.cy};
    default: return {e.x, e.y, w - e.cx, h - e.cy};
  }
}

}  // namespace

void CResizeLayout::SetUp(HWND parent, int entries) {
  m_parent = parent;
  RECT client{};
  GetClientRect(parent, &client);
  m_width0 = client.right;
  m_height0 = client.bottom;
  m_entries.assign(static_cast<std::size_t>(entries), _layoutinfo{});
}

bool CResizeLayout::SetEntry(int index, HWND child, std::int32_t anchor) {
  if (index < 0 || index >= static_cast<int>(m_entries.size()) || child == nullptr) return false;
  m_entries[static_cast<std::size_t>(index)] = Record(anchor, child, ChildRect(m_parent, child), m_width0, m_height0);
  return true;
}

void CResizeLayout::Resize(int width, int height) const {
  for (const _layoutinfo& entry : m_entries) {
    if (entry.window == nullptr) continue;
    const RECT place = Place(entry, width, height);
    SetWindowPos(entry.window, nullptr, place.left, place.top, place.right, place.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}
