#include "framework/toolbar_ctrl.h"

#include "framework/application.h"

bool CToolBarCtrl::Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
  m_hWnd = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                           ResourceInstance(), nullptr);
  if (m_hWnd == nullptr) return false;
  SendMessageW(m_hWnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  return true;
}

bool CToolBarCtrl::AddButtons(std::span<const TBBUTTON> buttons) {
  return SendMessageW(m_hWnd, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data())) != 0;
}
