#include "framework/menu.h"

bool CMenu::Load(HINSTANCE module, UINT id) {
  Destroy();
  m_menu = LoadMenuW(module, MAKEINTRESOURCEW(id));
  return m_menu != nullptr;
}

void CMenu::Destroy() {
  if (m_menu != nullptr) DestroyMenu(m_menu);
  m_menu = nullptr;
}

void CheckMenuCommand(HMENU menu, UINT id, bool checked) {
  CheckMenuItem(menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}
