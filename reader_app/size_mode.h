// The three view sizes of the main window and where a window of such a size
// goes on its monitor.
#pragma once

#include <windows.h>

struct SizeMode {
  int scale;   // pixels per card unit
  int width;   // window size in pixels
  int height;
};

inline constexpr int kSizeModeCount = 3;
inline constexpr SizeMode kSizeModes[kSizeModeCount] = {{4, 912, 672}, {3, 684, 504}, {2, 456, 336}};

// 0 for monitors 1024 pixels wide or more, 2 below 800, else 1.
int SizeModeForMonitorWidth(int monitorWidth);
// The mode whose scale this is; the smallest for an unknown scale.
int SizeModeForScale(int scale);
// Top-left corner that centres a window of the given size in the work area,
// but never above or left of the work area.
POINT PlaceInWorkArea(const RECT& work, int width, int height);
