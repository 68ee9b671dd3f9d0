#include "query_tool/list_row.h"

#include <commctrl.h>

#include <cwchar>
#include <string>

#include "framework/list_ctrl.h"

namespace {

// The texts of one row in column order.
struct ListTexts {
  const wchar_t* columns[kListColumns];
};

ListTexts TextsOf(const CardRow& row) {
  return {{row.name, row.sex, row.nation, row.birthText, row.address, row.idNumber, row.authority, row.validityText,
           row.readTimeText, row.newAddress}};
}

template <std::size_t N>
void CopyCell(const CListCtrl& list, int item, int column, wchar_t (&field)[N]) {
  // A text longer than the field is cut, never written past its end.
  wcsncpy_s(field, list.GetItemText(item, column).c_str(), _TRUNCATE);
}

// The digits of a long-form date ("1980年01月02日" gives "19800102").
void DigitsOfLongDate(wchar_t (&birth)[10], const wchar_t* birthText) {
  std::size_t length = 0;
  for (const wchar_t* c = birthText; *c != L'\0' && length + 1 < std::size(birth); ++c) {
    if (*c != L'年' && *c != L'月' && *c != L'日') birth[length++] = *c;
  }
  birth[length] = L'\0';
}

bool HasStationColumn(const CListCtrl& list) {
  return Header_GetItemCount(ListView_GetHeader(list.m_hWnd)) > kStationColumn;
}

}  // namespace

int AddListRow(QueryContext& query, const CardRow& row) {
  CListCtrl list;
  list.Attach(query.target);
  const ListTexts texts = TextsOf(row);
  const int item = list.InsertItem(query.rowCount, texts.columns[0]);
  if (item < 0) return 1;
  for (int column = 1; column < kListColumns; ++column) list.SetItemText(item, column, texts.columns[column]);
  if (HasStationColumn(list)) list.SetItemText(item, kStationColumn, row.station);
  return 1;
}

CardRow ReadListRow(HWND listWindow, int item) {
  CListCtrl list;
  list.Attach(listWindow);
  CardRow row{};
  CopyCell(list, item, 0, row.name);
  CopyCell(list, item, 1, row.sex);
  CopyCell(list, item, 2, row.nation);
  CopyCell(list, item, 3, row.birthText);
  CopyCell(list, item, 4, row.address);
  CopyCell(list, item, 5, row.idNumber);
  CopyCell(list, item, 6, row.authority);
  CopyCell(list, item, 7, row.validityText);
  CopyCell(list, item, 8, row.readTimeText);
  CopyCell(list, item, 9, row.newAddress);
  if (HasStationColumn(list)) CopyCell(list, item, kStationColumn, row.station);
  DigitsOfLongDate(row.birth, row.birthText);
  return row;
}
