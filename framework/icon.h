// Owner of an icon loaded from the resources, destroyed with this object.
#pragma once

#include <windows.h>

#include <utility>

class CIcon {
 public:
  CIcon() = default;
  ~CIcon() { Reset(); }
  CIcon(const CIcon&) = delete;
  CIcon& operator=(const CIcon&) = delete;

  // Loads icon resource id of module at the system icon size (0, 0) or at
  // the given size; the icon stays empty when there is no such resource.
  bool Load(HINSTANCE module, UINT id, int width = 0, int height = 0) {
    Reset();
    const UINT flags = width == 0 && height == 0 ? LR_DEFAULTSIZE : LR_DEFAULTCOLOR;
    m_icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, width, height, flags));
    return m_icon != nullptr;
  }
  void Reset() {
    if (m_icon != nullptr) DestroyIcon(std::exchange(m_icon, nullptr));
  }

  HICON Get() const { return m_icon; }
  operator HICON() const { return m_icon; }

 private:
  HICON m_icon = nullptr;
};
