// Where the wavelet bands of a plane lie, and which coefficient of the next
// coarser band sits above a given one.
#pragma once

#include <vector>

#include "photo_decoder/wavelet.h"

enum class BandKind { kLowPass, kHorizontal, kVertical, kDiagonal };

struct Band {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int level = 0;  // 1 is the finest
  BandKind kind = BandKind::kLowPass;
};

// The low-pass band first, then the detail bands from the coarsest level to
// the finest; the order in which coefficients are coded.
std::vector<Band> BandsCoarseToFine(PlaneSize plane, int levels);

// Index in the band list of the band one level coarser of the same kind,
// or -1 when there is none.
int ParentBandIndex(const std::vector<Band>& bands, int index);
