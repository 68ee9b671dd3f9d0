// Owners of GDI objects: each deletes its object when destroyed or given a
// new one. Attach takes over a handle, Detach gives it up.
#pragma once

#include <windows.h>

#include <utility>

template <class Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle handle) : m_handle(handle) {}
  ~GdiObject() { Reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  GdiObject(GdiObject&& other) noexcept : m_handle(other.Detach()) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    Attach(other.Detach());
    return *this;
  }

  Handle Get() const { return m_handle; }
  operator Handle() const { return m_handle; }
  explicit operator bool() const { return m_handle != nullptr; }

  void Attach(Handle handle) {
    if (handle == m_handle) return;
    Reset();
    m_handle = handle;
  }
  Handle Detach() { return std::exchange(m_handle, nullptr); }
  void Reset() {
    if (m_handle != nullptr) DeleteObject(std::exchange(m_handle, nullptr));
  }

 private:
  Handle m_handle = nullptr;
};

class CFont : public GdiObject<HFONT> {
 public:
  bool CreateFontIndirect(const LOGFONTW& font);
};

class CBrush : public GdiObject<HBRUSH> {
 public:
  bool CreateSolidBrush(COLORREF color);
};

class CBitmap : public GdiObject<HBITMAP> {
 public:
  // Loads a .bmp file, stretched to width x height, or at its own size when
  // both are 0. Leaves the bitmap empty when the file is missing or unreadable.
  bool LoadFromFile(const wchar_t* path, int width = 0, int height = 0);
};

class CRgn : public GdiObject<HRGN> {
 public:
  // A rectangle with rounded corners, the corner ellipse being
  // ellipseWidth x ellipseHeight.
  bool CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
  // Makes the region the window's shape. The window system owns a region
  // it was given, so on success this object lets go of it.
  bool ApplyToWindow(HWND window, bool redraw);
};
