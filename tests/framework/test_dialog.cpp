#include "test_dialog.h"

#include <commctrl.h>

#include <array>
#include <stdexcept>
#include <string>

#include "framework/application.h"
#include "framework/device_context.h"

CTestDlg::CTestDlg(bool roundCorners) : CDialog(IDD_TEST), m_roundCorners(roundCorners) {}

const MessageTable* CTestDlg::GetMessageTable() const {
  static constexpr MessageEntry kEntries[] = {
      OnCommand<IDC_PRESS, &CTestDlg::OnPress>(),
      OnCommand<IDC_OPEN_NESTED, &CTestDlg::OnOpenNested>(),
      OnCommand<IDC_THROW, &CTestDlg::OnThrow>(),
      OnCommandRange<ID_SIZE_FIRST, ID_SIZE_LAST, &CTestDlg::OnSizeMode>(),
      OnMessage<kAddMessage, &CTestDlg::OnAdd>(),
      OnMessage<WM_PAINT, &CTestDlg::OnPaint>(),
      OnMessageThenDefault<WM_DESTROY, &CTestDlg::OnDestroy>(),
      OnNotify<TVN_SELCHANGEDW, IDC_TREE, &CTestDlg::OnTreeSelectionChanged>(),
      OnNotifyRange<TTN_GETDISPINFOW, 0, 0xFFFF, &CTestDlg::OnToolTipText>(),
  };
  static const MessageTable kTable{CDialog::GetMessageTable(), kEntries};
  return &kTable;
}

const MessageTable* CDerivedDlg::GetMessageTable() const {
  static constexpr MessageEntry kEntries[] = {
      OnCommand<IDC_PRESS, &CDerivedDlg::OnPressInstead>(),
  };
  static const MessageTable kTable{CTestDlg::GetMessageTable(), kEntries};
  return &kTable;
}

BOOL CTestDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  initRan = true;
  m_list.Attach(GetDlgItem(IDC_LIST));
  m_tree.Attach(GetDlgItem(IDC_TREE));
  FillList();
  FillTree();
  CreateToolBar();
  LOGFONTW font{};
  font.lfHeight = -16;
  font.lfCharSet = GB2312_CHARSET;
  wcscpy_s(font.lfFaceName, L"宋体");
  m_font.CreateFontIndirect(font);
  if (m_roundCorners) {
    RECT window{};
    GetWindowRect(m_hWnd, &window);
    if (m_rgnWindow.CreateRoundRectRgn(0, 0, window.right - window.left, window.bottom - window.top, 50, 50)) {
      m_rgnWindow.ApplyToWindow(m_hWnd, true);
    }
  }
  return TRUE;
}

void CTestDlg::FillList() {
  m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  m_list.InsertColumn(0, L"姓名", 80);
  m_list.InsertColumn(1, L"地址", 200);
  m_list.InsertItem(0, L"韩川");
  m_list.SetItemText(0, 1, L"临河市清溪区望山路18号");
  m_list.InsertItem(1, L"李四");
  // Longer than the first buffer that reading a text starts with.
  m_list.SetItemText(1, 1, std::wstring(100, L'路').c_str());
}

void CTestDlg::FillTree() {
  HTREEITEM year = m_tree.InsertItem(L"2024年", TVI_ROOT, 0);
  for (int month = 1; month <= 12; ++month) {
    m_tree.InsertItem((std::to_wstring(month) + L"月").c_str(), year, 2024 * 256 + month);
  }
}

void CTestDlg::CreateToolBar() {
  m_imageList.Create(32, 32, ILC_COLOR32, 2, 4);
  m_imageList.SetBkColor(GetSysColor(COLOR_BTNFACE));
  m_imageList.AddIconResource(ResourceInstance(), IDI_TEST);
  m_imageList.AddIconResource(ResourceInstance(), IDI_TEST);
  RECT client{};
  GetClientRect(m_hWnd, &client);
  const RECT bar{8, client.bottom - 44, 120, client.bottom - 4};
  m_toolBar.Create(WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT | CCS_NODIVIDER | CCS_NORESIZE |
                       CCS_NOPARENTALIGN,
                   bar, m_hWnd, IDC_TOOLBAR);
  m_toolBar.SetImageList(m_imageList);
  m_toolBar.SetButtonSize(32, 32);
  const std::array<TBBUTTON, 2> buttons{{
      {0, ID_TOOL_FIRST, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {1, ID_TOOL_SECOND, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
  }};
  m_toolBar.AddButtons(buttons);
}

void CTestDlg::OnOK() {
  okRan = true;
  wchar_t name[64] = {};
  GetDlgItemTextW(m_hWnd, IDC_NAME, name, static_cast<int>(std::size(name)));
  nameAtOk = name;
  CDialog::OnOK();
}

void CTestDlg::OnPress() { ++pressCount; }

void CTestDlg::OnOpenNested() {
  CNestedDlg nested(m_hWnd);
  nestedResult = nested.DoModal();
}

void CTestDlg::OnThrow() { throw std::runtime_error("handler failed"); }

void CTestDlg::OnSizeMode(UINT id) { lastSizeCommand = id; }

LRESULT CTestDlg::OnAdd(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam) + lParam; }

LRESULT CTestDlg::OnPaint(WPARAM, LPARAM) {
  CPaintDC dc(m_hWnd);
  CSelectObject font(dc, m_font);
  SetBkMode(dc, TRANSPARENT);
  RECT client{};
  GetClientRect(m_hWnd, &client);
  TextOutW(dc, 140, client.bottom - 30, L"居民身份证", 5);
  return 0;
}

LRESULT CTestDlg::OnDestroy(WPARAM, LPARAM) {
  m_imageList.Destroy();
  return 0;
}

LRESULT CTestDlg::OnTreeSelectionChanged(NMHDR* header) {
  selectedTreeData = reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.lParam;
  return 0;
}

LRESULT CTestDlg::OnToolTipText(NMHDR* header) {
  auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
  info->lpszText = const_cast<wchar_t*>(header->idFrom == ID_TOOL_FIRST ? L"第一" : L"其他");
  info->uFlags |= TTF_DI_SETITEM;
  return FALSE;
}
