#include "face_pixels.h"

#include <algorithm>

namespace {
int Red(std::uint32_t rgb) { return static_cast<int>((rgb >> 16) & 0xFF); }
int Green(std::uint32_t rgb) { return static_cast<int>((rgb >> 8) & 0xFF); }
int Blue(std::uint32_t rgb) { return static_cast<int>(rgb & 0xFF); }
}  // namespace

FaceCanvas::FaceCanvas(int width, int height) : width_(width), height_(height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  dc_ = CreateCompatibleDC(nullptr);
  bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bits_ = static_cast<std::uint32_t*>(bits);
  previous_ = SelectObject(dc_, bitmap_);
}

FaceCanvas::~FaceCanvas() {
  SelectObject(dc_, previous_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

void FaceCanvas::Fill(COLORREF colour) {
  const std::uint32_t rgb = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  GdiFlush();
  std::fill(bits_, bits_ + width_ * height_, rgb);
}

bool IsLabelInk(std::uint32_t rgb) { return Blue(rgb) - Red(rgb) > 40 && Red(rgb) - Green(rgb) < 20 && Red(rgb) < 200; }
bool IsValueInk(std::uint32_t rgb) { return Red(rgb) < 100 && Green(rgb) < 100 && Blue(rgb) < 100; }
bool IsStatusInk(std::uint32_t rgb) { return Red(rgb) - Green(rgb) > 40 && Blue(rgb) - Green(rgb) > 40; }
bool IsAlarmRed(std::uint32_t rgb) { return Red(rgb) > 150 && Green(rgb) < 90 && Blue(rgb) < 90; }

RECT InkBounds(const FaceCanvas& canvas, const RECT& area, const PixelClass& kind) {
  GdiFlush();
  RECT bounds{area.right, area.bottom, area.left, area.top};
  for (int y = std::max(0L, area.top); y < std::min<LONG>(canvas.height(), area.bottom); ++y) {
    for (int x = std::max(0L, area.left); x < std::min<LONG>(canvas.width(), area.right); ++x) {
      if (!kind(canvas.Pixel(x, y))) continue;
      bounds.left = std::min<LONG>(bounds.left, x);
      bounds.top = std::min<LONG>(bounds.top, y);
      bounds.right = std::max<LONG>(bounds.right, x + 1);
      bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
    }
  }
  if (bounds.left >= bounds.right) return RECT{};
  return bounds;
}
