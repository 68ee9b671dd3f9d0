#include "query_window_fixture.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "framework/list_ctrl.h"
#include "framework/tree_ctrl.h"
#include "query_tool/resource_ids.h"
#include "support/screenshot.h"

void SetPickers(HWND window, SYSTEMTIME from, SYSTEMTIME to) {
  DateTime_SetSystemtime(GetDlgItem(window, IDC_TIME_FROM), GDT_VALID, &from);
  DateTime_SetSystemtime(GetDlgItem(window, IDC_TIME_TO), GDT_VALID, &to);
}

SYSTEMTIME PickerTime(HWND window, int id) {
  SYSTEMTIME time{};
  DateTime_GetSystemtime(GetDlgItem(window, id), &time);
  return time;
}

void QueryYear(HWND window, int year) {
  SetPickers(window, At(year, 1, 1), At(year, 12, 31, 23, 59, 59));
  ClickButton(window, IDOK);
}

void ClickSpinArrow(HWND window, bool right) {
  HWND spin = GetDlgItem(window, IDC_PAGE_SPIN);
  RECT client{};
  GetClientRect(spin, &client);
  const LPARAM at = MAKELPARAM(right ? client.right * 3 / 4 : client.right / 4, client.bottom / 2);
  SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(spin, WM_LBUTTONUP, 0, at);
}

int ListRows(HWND window) { return ListView_GetItemCount(GetDlgItem(window, IDC_RESULT_LIST)); }

std::wstring ListText(HWND window, int item, int column) {
  CListCtrl list;
  list.Attach(GetDlgItem(window, IDC_RESULT_LIST));
  return list.GetItemText(item, column);
}

std::wstring StatusText(HWND window) { return ControlText(window, IDC_STATUS); }

bool PickMonth(HWND window, int year, int month) {
  CTreeCtrl tree;
  tree.Attach(GetDlgItem(window, IDC_MONTH_TREE));
  const std::wstring yearText = std::to_wstring(year) + L"年";
  for (HTREEITEM item = tree.GetRootItem(); item != nullptr; item = tree.GetNextSiblingItem(item)) {
    if (tree.GetItemText(item) != yearText) continue;
    HTREEITEM child = tree.GetChildItem(item);
    for (int m = 1; m < month && child != nullptr; ++m) child = tree.GetNextSiblingItem(child);
    return child != nullptr && tree.SelectItem(child);
  }
  return false;
}

void SaveScreenshot(HWND window, const char* name) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  EXPECT_EQ(SaveWindowScreenshot(window, name), kScreenshotSaved) << name;
}
