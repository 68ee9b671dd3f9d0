#include "framework/tree_ctrl.h"

HTREEITEM CTreeCtrl::InsertItem(const wchar_t* text, HTREEITEM parent, LPARAM data, int image, int selectedImage) {
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = const_cast<wchar_t*>(text);
  insert.item.lParam = data;
  insert.item.iImage = image;
  insert.item.iSelectedImage = selectedImage;
  return reinterpret_cast<HTREEITEM>(SendMessageW(m_hWnd, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

LPARAM CTreeCtrl::GetItemData(HTREEITEM item) const {
  TVITEMW query{};
  query.mask = TVIF_PARAM | TVIF_HANDLE;
  query.hItem = item;
  if (SendMessageW(m_hWnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query)) == FALSE) return 0;
  return query.lParam;
}

std::wstring CTreeCtrl::GetItemText(HTREEITEM item) const {
  // Tree item texts of this suite are short labels ("2024年", "12月").
  wchar_t buffer[260] = {};
  TVITEMW query{};
  query.mask = TVIF_TEXT | TVIF_HANDLE;
  query.hItem = item;
  query.pszText = buffer;
  query.cchTextMax = static_cast<int>(std::size(buffer));
  if (SendMessageW(m_hWnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query)) == FALSE) return {};
  return buffer;
}
