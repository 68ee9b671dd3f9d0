// Windows bitmap files without Windows headers: writing the 24-bit
// bottom-up form the photo decoder produces, and reading the uncompressed
// forms a portrait is likely to come in (8-bit with palette, 24-bit, 32-bit),
// from bytes of any origin.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "photo_decoder/rgb_image.h"

// File header, information header and rows padded to four bytes.
std::vector<std::uint8_t> EncodeBmp(const RgbImage& image);

// False for anything that is not a bitmap of a supported form, including
// pictures wider or higher than kLargestBmpSide.
bool DecodeBmp(std::span<const std::uint8_t> bytes, RgbImage& image);

inline constexpr int kLargestBmpSide = 8192;
