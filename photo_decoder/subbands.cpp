#include "photo_decoder/subbands.h"

std::vector<Band> BandsCoarseToFine(PlaneSize plane, int levels) {
  std::vector<Band> bands;
  const PlaneSize top = LowPassSize(plane, levels);
  bands.push_back({0, 0, top.width, top.height, levels, BandKind::kLowPass});
  for (int level = levels; level >= 1; --level) {
    const PlaneSize whole = LowPassSize(plane, level - 1);
    const PlaneSize low = LowPassSize(plane, level);
    const int highWidth = whole.width - low.width;
    const int highHeight = whole.height - low.height;
    bands.push_back({low.width, 0, highWidth, low.height, level, BandKind::kHorizontal});
    bands.push_back({0, low.height, low.width, highHeight, level, BandKind::kVertical});
    bands.push_back({low.width, low.height, highWidth, highHeight, level, BandKind::kDiagonal});
  }
  return bands;
}

int ParentBandIndex(const std::vector<Band>& bands, int index) {
  const Band& band = bands[index];
  if (band.kind == BandKind::kLowPass) return -1;
  for (int i = 0; i < index; ++i) {
    if (bands[i].kind == band.kind && bands[i].level == band.level + 1) return i;
  }
  return -1;
}
