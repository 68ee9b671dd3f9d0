// Scoped device contexts and selections for painting code.
#pragma once

#include <windows.h>

// BeginPaint / EndPaint around a WM_PAINT handler.
class CPaintDC {
 public:
  explicit CPaintDC(HWND window) : m_window(window), m_dc(BeginPaint(window, &m_paint)) {}
  ~CPaintDC() { EndPaint(m_window, &m_paint); }
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;

  operator HDC() const { return m_dc; }
  const RECT& PaintRect() const { return m_paint.rcPaint; }

 private:
  HWND m_window;
  PAINTSTRUCT m_paint{};
  HDC m_dc;
};

// A memory DC compatible with another DC, deleted at the end of the scope.
class CMemoryDC {
 public:
  explicit CMemoryDC(HDC compatibleWith) : m_dc(CreateCompatibleDC(compatibleWith)) {}
  ~CMemoryDC() {
    if (m_dc != nullptr) DeleteDC(m_dc);
  }
  CMemoryDC(const CMemoryDC&) = delete;
  CMemoryDC& operator=(const CMemoryDC&) = delete;

  operator HDC() const { return m_dc; }
  explicit operator bool() const { return m_dc != nullptr; }

 private:
  HDC m_dc;
};

// Selects a pen, brush, font or bitmap into a DC and puts the previous one
// back, so that the object can be deleted afterwards. (Regions are copied
// by SelectObject, not selected, and need no restoring.)
class CSelectObject {
 public:
  CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(SelectObject(dc, object)) {}
  ~CSelectObject() {
    if (m_previous != nullptr && m_previous != HGDI_ERROR) SelectObject(m_dc, m_previous);
  }
  CSelectObject(const CSelectObject&) = delete;
  CSelectObject& operator=(const CSelectObject&) = delete;

 private:
  HDC m_dc;
  HGDIOBJ m_previous;
};
