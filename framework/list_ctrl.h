// A report-style list view of a dialog, reached through its window handle.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

class CListCtrl {
 public:
  void Attach(HWND list) { m_hWnd = list; }

  // Returns the new column's index or -1.
  int InsertColumn(int index, const wchar_t* heading, int width, int format = LVCFMT_LEFT);
  void SetExtendedStyle(DWORD style) { ListView_SetExtendedListViewStyle(m_hWnd, style); }

  // Returns the new item's index or -1.
  int InsertItem(int index, const wchar_t* text);
  bool SetItemText(int item, int column, const wchar_t* text);
  std::wstring GetItemText(int item, int column) const;
  bool SetItemData(int item, LPARAM data);
  LPARAM GetItemData(int item) const;
  int GetItemCount() const { return ListView_GetItemCount(m_hWnd); }
  bool DeleteAllItems() { return ListView_DeleteAllItems(m_hWnd) != FALSE; }
  // compare gets the two items' data values and `context`.
  bool SortItems(PFNLVCOMPARE compare, LPARAM context) { return ListView_SortItems(m_hWnd, compare, context) != FALSE; }

  HWND m_hWnd = nullptr;
};
