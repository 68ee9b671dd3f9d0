#include "photo_decoder/bmp_file.h"

#include <cstddef>

#include "photo_decoder/bmp_layout.h"

namespace {

constexpr std::uint32_t kPixelsPerMetre = 3780;  // 96 dots per inch

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  out[at] = static_cast<std::uint8_t>(value);
  out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  Put16(out, at, value & 0xFFFF);
  Put16(out, at + 2, value >> 16);
}

std::size_t RowLength(int width, int bitsPerPixel) {
  return ((static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32) * 4;
}

// The forms a portrait is read in: 8-bit with palette, 24-bit and 32-bit,
// of a size the encoder takes.
bool IsReadableForm(const BmpLayout& layout) {
  if (layout.width > kLargestBmpSide || layout.height > kLargestBmpSide) return false;
  if (layout.compression == kBmpBitFields && layout.bitsPerPixel != 32) return false;
  return layout.bitsPerPixel == 8 || layout.bitsPerPixel == 24 || layout.bitsPerPixel == 32;
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp(const RgbImage& image) {
  const std::size_t rowLength = RowLength(image.width, 24);
  const std::size_t pixelOffset = kBmpFileHeaderLength + kBmpInfoHeaderLength;
  const std::size_t imageSize = rowLength * image.height;
  std::vector<std::uint8_t> out(pixelOffset + imageSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<std::uint32_t>(out.size()));
  Put32(out, 10, static_cast<std::uint32_t>(pixelOffset));
  Put32(out, 14, kBmpInfoHeaderLength);
  Put32(out, 18, static_cast<std::uint32_t>(image.width));
  Put32(out, 22, static_cast<std::uint32_t>(image.height));  // positive: bottom row first
  Put16(out, 26, 1);
  Put16(out, 28, 24);
  Put32(out, 30, kBmpUncompressed);
  Put32(out, 34, static_cast<std::uint32_t>(imageSize));
  Put32(out, 38, kPixelsPerMetre);
  Put32(out, 42, kPixelsPerMetre);
  for (int y = 0; y < image.height; ++y) {
    std::uint8_t* row = &out[pixelOffset + rowLength * (image.height - 1 - y)];
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t* pixel = image.Pixel(x, y);
      row[x * 3] = pixel[2];
      row[x * 3 + 1] = pixel[1];
      row[x * 3 + 2] = pixel[0];
    }
  }
  return out;
}

bool DecodeBmp(std::span<const std::uint8_t> bytes, RgbImage& image) {
  BmpLayout layout;
  if (!ReadBmpLayout(bytes, layout) || !IsReadableForm(layout)) return false;
  RgbImage result = RgbImage::Blank(layout.width, layout.height);
  for (int y = 0; y < layout.height; ++y) {
    const int storedRow = layout.topDown ? y : layout.height - 1 - y;
    const std::uint8_t* row = &bytes[layout.pixelOffset + layout.rowLength * storedRow];
    for (int x = 0; x < layout.width; ++x) {
      const std::uint8_t* source;
      if (layout.bitsPerPixel == 8) {
        if (row[x] >= layout.paletteCount) return false;
        source = &bytes[layout.paletteOffset + row[x] * 4u];
      } else {
        source = &row[static_cast<std::size_t>(x) * (layout.bitsPerPixel / 8)];
      }
      std::uint8_t* pixel = result.Pixel(x, y);
      pixel[0] = source[2];
      pixel[1] = source[1];
      pixel[2] = source[0];
    }
  }
  image = std::move(result);
  return true;
}
