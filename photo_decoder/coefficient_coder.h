// Context modelling of quantised wavelet coefficients.
//
// One routine serves both directions: with a RangeEncoder it codes the
// values found in the planes, with a RangeDecoder it fills planes that start
// out zero. Every decision is coded with a probability chosen from what both
// sides already know: the neighbours to the left and above, the coefficient
// of the coarser band at the same place, the band's level and kind.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "photo_decoder/wavelet.h"

// Quantised coefficients of luma and the two chroma planes, each in the
// wavelet pyramid layout.
struct QuantisedPlanes {
  PlaneSize size;
  int levels = 0;
  std::array<std::vector<std::int32_t>, 3> planes;
};

// Largest magnitude the coder can carry; encoders clamp to it.
inline constexpr std::int32_t kLargestQuantisedMagnitude = (1 << 20) - 1;

template <class Coder>
void CodeQuantisedPlanes(Coder& coder, QuantisedPlanes& quantised);
