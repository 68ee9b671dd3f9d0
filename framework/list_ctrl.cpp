#include "framework/list_ctrl.h"

int CListCtrl::InsertColumn(int index, const wchar_t* heading, int width, int format) {
  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = format;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(heading);
  column.iSubItem = index;
  return static_cast<int>(SendMessageW(m_hWnd, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column)));
}

int CListCtrl::InsertItem(int index, const wchar_t* text) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = index;
  item.pszText = const_cast<wchar_t*>(text);
  return static_cast<int>(SendMessageW(m_hWnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListCtrl::SetItemText(int item, int column, const wchar_t* text) {
  LVITEMW change{};
  change.iSubItem = column;
  change.pszText = const_cast<wchar_t*>(text);
  return SendMessageW(m_hWnd, LVM_SETITEMTEXTW, item, reinterpret_cast<LPARAM>(&change)) != FALSE;
}

std::wstring CListCtrl::GetItemText(int item, int column) const {
  // LVM_GETITEMTEXT returns the length copied; a full buffer may mean the
  // text was cut, so the buffer grows until the text fits.
  std::wstring text(64, L'\0');
  for (;;) {
    LVITEMW query{};
    query.iSubItem = column;
    query.pszText = text.data();
    query.cchTextMax = static_cast<int>(text.size());
    const auto length = static_cast<size_t>(
        SendMessageW(m_hWnd, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&query)));
    if (length + 1 < text.size()) {
      text.resize(length);
      return text;
    }
    text.resize(text.size() * 2);
  }
}

bool CListCtrl::SetItemData(int item, LPARAM data) {
  LVITEMW change{};
  change.mask = LVIF_PARAM;
  change.iItem = item;
  change.lParam = data;
  return SendMessageW(m_hWnd, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&change)) != FALSE;
}

LPARAM CListCtrl::GetItemData(int item) const {
  LVITEMW query{};
  query.mask = LVIF_PARAM;
  query.iItem = item;
  if (SendMessageW(m_hWnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query)) == FALSE) return 0;
  return query.lParam;
}
