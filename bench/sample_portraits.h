// Portrait-like test pictures made from a seed, the same on every machine:
// a graded background, shoulders in clothing, a shaded face with eyes,
// brows and mouth, textured hair, and a little sensor noise.
#pragma once

#include <cstdint>
#include <vector>

#include "photo_decoder/rgb_image.h"

RgbImage MakeSamplePortrait(std::uint32_t seed, int width, int height);

// The set the benchmark and the quality tests use.
std::vector<RgbImage> SamplePortraitSet();

// Peak signal-to-noise ratio in dB over all three colours; pictures must be
// the same size. Identical pictures give 99.
double PeakSignalToNoise(const RgbImage& reference, const RgbImage& test);
