// PNG pictures for the native tools (through libpng).
#pragma once

#include <cstdint>
#include <span>

#include "photo_decoder/rgb_image.h"

// False for anything libpng cannot read as a picture, or one wider or
// higher than kLargestBmpSide.
bool DecodePng(std::span<const std::uint8_t> bytes, RgbImage& image);

// Writes the picture as an 8-bit RGB PNG file.
bool WritePngFile(const char* path, const RgbImage& image);
