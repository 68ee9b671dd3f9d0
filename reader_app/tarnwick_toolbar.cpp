// The main window's toolbar: its six buttons with their icons and tips, and
// its place at the bottom right of the card face.
#include "reader_app/tarnwick_dlg.h"

#include <commctrl.h>

#include <iterator>

#include "framework/application.h"
#include "reader_app/resource_ids.h"

namespace {

// The toolbar's place, measured from the client area's bottom-right corner.
constexpr int kToolBarRightGap = 50;
constexpr int kToolBarWidth = 234;
constexpr int kToolBarHeight = 39;
constexpr int kToolImageSize = 32;

struct ToolButton {
  int command;
  UINT tipString;
};

// Left to right; each button's image is the icon resource of its command.
constexpr ToolButton kToolButtons[] = {
    {ID_TOOL_BLACKLIST, IDS_TIP_BLACKLIST}, {ID_TOOL_QUERY, IDS_TIP_QUERY}, {ID_TOOL_CONFIG, IDS_TIP_CONFIG},
    {ID_TOOL_MINIMIZE, IDS_TIP_MINIMIZE},   {ID_TOOL_PRINT, IDS_TIP_PRINT}, {ID_TOOL_EXIT, IDS_TIP_EXIT},
};

}  // namespace

RECT CTarnwickDlg::ToolBarPlace(int width, int height) {
  return {width - kToolBarWidth - kToolBarRightGap, height - kToolBarHeight, width - kToolBarRightGap, height};
}

void CTarnwickDlg::CreateToolBar() {
  m_imageList.Create(kToolImageSize, kToolImageSize, ILC_COLOR32, static_cast<int>(std::size(kToolButtons)), 12);
  m_imageList.SetBkColor(GetSysColor(COLOR_BTNFACE));
  TBBUTTON buttons[std::size(kToolButtons)] = {};
  for (std::size_t i = 0; i < std::size(kToolButtons); ++i) {
    m_imageList.AddIconResource(ResourceInstance(), kToolButtons[i].command);
    buttons[i].iBitmap = static_cast<int>(i);
    buttons[i].idCommand = kToolButtons[i].command;
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = BTNS_BUTTON;
  }
  const RECT place = ToolBarPlace(m_nClientWidth, m_nClientHeight);
  m_toolBar.Create(WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT | CCS_NODIVIDER |
                       CCS_NORESIZE | CCS_NOPARENTALIGN,
                   place, m_hWnd, IDC_TOOLBAR);
  m_toolBar.SetImageList(m_imageList);
  m_toolBar.SetButtonSize(kToolImageSize, kToolImageSize);
  m_toolBar.AddButtons(buttons);
}

LRESULT CTarnwickDlg::OnToolTipText(NMHDR* header) {
  auto* tip = reinterpret_cast<NMTTDISPINFOW*>(header);
  for (const ToolButton& button : kToolButtons) {
    if (static_cast<UINT_PTR>(button.command) == header->idFrom) tip->lpszText = MAKEINTRESOURCEW(button.tipString);
  }
  tip->hinst = ResourceInstance();
  tip->uFlags |= TTF_DI_SETITEM;
  return FALSE;
}
