// A toolbar child window created in code. The parent destroys the window;
// the image list stays with whoever created it.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <span>

class CToolBarCtrl {
 public:
  // style: WS_CHILD, TBSTYLE_* and CCS_* flags; rect in the parent's client
  // coordinates.
  bool Create(DWORD style, const RECT& rect, HWND parent, UINT id);
  void SetImageList(HIMAGELIST images) { SendMessageW(m_hWnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images)); }
  bool SetButtonSize(int width, int height) {
    return SendMessageW(m_hWnd, TB_SETBUTTONSIZE, 0, MAKELPARAM(width, height)) != 0;
  }
  bool AddButtons(std::span<const TBBUTTON> buttons);
  int GetButtonCount() const { return static_cast<int>(SendMessageW(m_hWnd, TB_BUTTONCOUNT, 0, 0)); }

  HWND m_hWnd = nullptr;
};
