#include "framework/gdi_objects.h"

bool CFont::CreateFontIndirect(const LOGFONTW& font) {
  Attach(::CreateFontIndirectW(&font));
  return Get() != nullptr;
}

bool CBrush::CreateSolidBrush(COLORREF color) {
  Attach(::CreateSolidBrush(color));
  return Get() != nullptr;
}

bool CBitmap::LoadFromFile(const wchar_t* path, int width, int height) {
  HANDLE image = LoadImageW(nullptr, path, IMAGE_BITMAP, width, height, LR_LOADFROMFILE);
  Attach(static_cast<HBITMAP>(image));
  return Get() != nullptr;
}

bool CRgn::CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  Attach(::CreateRoundRectRgn(left, top, right, bottom, ellipseWidth, ellipseHeight));
  return Get() != nullptr;
}

bool CRgn::ApplyToWindow(HWND window, bool redraw) {
  if (Get() == nullptr || SetWindowRgn(window, Get(), redraw ? TRUE : FALSE) == 0) return false;
  Detach();
  return true;
}
