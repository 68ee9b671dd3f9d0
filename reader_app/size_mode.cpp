#include "reader_app/size_mode.h"

int SizeModeForMonitorWidth(int monitorWidth) {
  if (monitorWidth >= 1024) return 0;
  if (monitorWidth < 800) return 2;
  return 1;
}

int SizeModeForScale(int scale) {
  for (int mode = 0; mode < kSizeModeCount; ++mode) {
    if (kSizeModes[mode].scale == scale) return mode;
  }
  return kSizeModeCount - 1;
}

POINT PlaceInWorkArea(const RECT& work, int width, int height) {
  POINT corner{(work.left + work.right - width) >> 1, (work.top + work.bottom - height) >> 1};
  if (corner.x <= work.left) corner.x = work.left;
  if (corner.y <= work.top) corner.y = work.top;
  return corner;
}
