// Reading PNG pictures for the encoder tool (native build, through libpng).
#pragma once

#include <cstdint>
#include <span>

#include "photo_decoder/rgb_image.h"

// False for anything libpng cannot read as a picture, or one wider or
// higher than kLargestBmpSide.
bool DecodePng(std::span<const std::uint8_t> bytes, RgbImage& image);
