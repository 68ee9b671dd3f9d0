#include "photo_decoder/png_file.h"

#include <png.h>

#include "photo_decoder/bmp_file.h"

bool DecodePng(std::span<const std::uint8_t> bytes, RgbImage& image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return false;
  if (png.width == 0 || png.height == 0 || png.width > kLargestBmpSide || png.height > kLargestBmpSide) {
    png_image_free(&png);
    return false;
  }
  png.format = PNG_FORMAT_RGB;  // alpha is composed onto black, grey expanded
  RgbImage result = RgbImage::Blank(static_cast<int>(png.width), static_cast<int>(png.height));
  if (!png_image_finish_read(&png, nullptr, result.pixels.data(), 0, nullptr)) {
    png_image_free(&png);
    return false;
  }
  image = std::move(result);
  return true;
}

bool WritePngFile(const char* path, const RgbImage& image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGB;
  const bool written = png_image_write_to_file(&png, path, 0, image.pixels.data(), 0, nullptr) != 0;
  png_image_free(&png);
  return written;
}
