// A 32-bit memory bitmap to draw a card face into and to read back, and
// the colour classes the face's texts are drawn in. Text edges may be
// smoothed, so the classes go by hue, not by exact colour.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

class FaceCanvas {
 public:
  FaceCanvas(int width, int height);
  ~FaceCanvas();
  FaceCanvas(const FaceCanvas&) = delete;
  FaceCanvas& operator=(const FaceCanvas&) = delete;

  HDC dc() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }
  void Fill(COLORREF colour);
  // 0x00RRGGBB
  std::uint32_t Pixel(int x, int y) const { return bits_[y * width_ + x]; }

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

using PixelClass = std::function<bool(std::uint32_t rgb)>;

bool IsLabelInk(std::uint32_t rgb);   // blue-violet 64, 64, 192
bool IsValueInk(std::uint32_t rgb);   // black
bool IsStatusInk(std::uint32_t rgb);  // magenta 192, 64, 192
bool IsAlarmRed(std::uint32_t rgb);

// The smallest rectangle around the pixels of the class inside area, or an
// empty rectangle when there are none.
RECT InkBounds(const FaceCanvas& canvas, const RECT& area, const PixelClass& kind);
