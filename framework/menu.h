// Owner of a menu loaded from the resources, destroyed with this object,
// and the context-menu helpers the windows use.
#pragma once

#include <windows.h>

class CMenu {
 public:
  CMenu() = default;
  ~CMenu() { Destroy(); }
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  bool Load(HINSTANCE module, UINT id);
  void Destroy();
  // The popup at position, owned by this menu; null when there is none.
  HMENU GetSubMenu(int position) const { return ::GetSubMenu(m_menu, position); }

  HMENU Get() const { return m_menu; }

 private:
  HMENU m_menu = nullptr;
};

// Checks or unchecks a menu item by its command id.
void CheckMenuCommand(HMENU menu, UINT id, bool checked);
