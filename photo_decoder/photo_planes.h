// The floating-point planes between pixels and quantised coefficients:
// colour conversion, the wavelet pyramid and the quantiser settings that
// encoder and decoder share.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "photo_decoder/coefficient_coder.h"
#include "photo_decoder/rgb_image.h"
#include "photo_decoder/wlt_header.h"

inline constexpr int kWltWaveletLevels = 4;

struct CoefficientPlanes {
  PlaneSize size;
  std::array<std::vector<float>, 3> planes;  // luma, blue and red difference
};

// Whether the coefficient at `index` of a plane lies in the low-pass band.
bool IsLowPassCoefficient(PlaneSize size, std::size_t index);

// Quantiser steps of the three planes.
std::array<float, 3> PlaneSteps(const WltHeader& header);
// Fraction of a step added to the magnitude of a detail coefficient.
float ReconstructionOffset(const WltHeader& header);

CoefficientPlanes AnalysePicture(const RgbImage& picture);
RgbImage SynthesisePicture(CoefficientPlanes coefficients);

// Quantises with the given steps; `rounding` below one half widens the zero
// zone of the detail bands, which saves bits on noise.
QuantisedPlanes Quantise(const CoefficientPlanes& coefficients, const std::array<float, 3>& steps, float rounding);
CoefficientPlanes Dequantise(const QuantisedPlanes& quantised, const std::array<float, 3>& steps, float offset);
