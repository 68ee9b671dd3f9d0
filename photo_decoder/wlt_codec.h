// The WLT photo format: a 102 x 126 colour portrait in at most 1024 bytes.
//
// Colour goes to luma and two chroma planes, each plane through four levels
// of the 9/7 wavelet transform; the coefficients are quantised with one step
// per plane and coded by context-adaptive binary range coding. The encoder
// picks the steps that fill the byte budget best.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "photo_decoder/rgb_image.h"

inline constexpr int kWltPhotoWidth = 102;
inline constexpr int kWltPhotoHeight = 126;
// What a card holds for the photo.
inline constexpr std::size_t kWltMaxBytes = 1024;

// Encodes a portrait of exactly 102 x 126 pixels in at most `budget` bytes.
// Returns no bytes for a picture of another size or a budget too small for
// even the coarsest picture.
std::vector<std::uint8_t> EncodeWltPhoto(const RgbImage& portrait, std::size_t budget = kWltMaxBytes);

// Decodes any bytes: true with a 102 x 126 picture, or false when the bytes
// are not a photo of this format. Zero bytes after the photo are allowed.
bool DecodeWltPhoto(std::span<const std::uint8_t> bytes, RgbImage& photo);
