// A tree view of a dialog, reached through its window handle.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

class CTreeCtrl {
 public:
  void Attach(HWND tree) { m_hWnd = tree; }

  // Appends an item under `parent` (TVI_ROOT for a top-level item); returns
  // null when the tree refused it.
  HTREEITEM InsertItem(const wchar_t* text, HTREEITEM parent, LPARAM data, int image = 0, int selectedImage = 0);
  void SetImageList(HIMAGELIST images) { TreeView_SetImageList(m_hWnd, images, TVSIL_NORMAL); }
  LPARAM GetItemData(HTREEITEM item) const;
  std::wstring GetItemText(HTREEITEM item) const;
  bool SelectItem(HTREEITEM item) { return TreeView_SelectItem(m_hWnd, item) != FALSE; }
  HTREEITEM GetRootItem() const { return TreeView_GetRoot(m_hWnd); }
  HTREEITEM GetChildItem(HTREEITEM item) const { return TreeView_GetChild(m_hWnd, item); }
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return TreeView_GetNextSibling(m_hWnd, item); }
  int GetCount() const { return static_cast<int>(TreeView_GetCount(m_hWnd)); }
  bool DeleteAllItems() { return TreeView_DeleteAllItems(m_hWnd) != FALSE; }

  HWND m_hWnd = nullptr;
};
