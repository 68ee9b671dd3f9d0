#include "photo_decoder/bmp_file.h"

#include <cstddef>
#include <cstdlib>

namespace {

constexpr std::size_t kFileHeaderLength = 14;
constexpr std::size_t kInfoHeaderLength = 40;
constexpr std::uint32_t kUncompressed = 0;  // BI_RGB
constexpr std::uint32_t kBitFields = 3;     // BI_BITFIELDS
constexpr std::uint32_t kPixelsPerMetre = 3780;  // 96 dots per inch

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  out[at] = static_cast<std::uint8_t>(value);
  out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  Put16(out, at, value & 0xFFFF);
  Put16(out, at + 2, value >> 16);
}

std::uint32_t Get16(std::span<const std::uint8_t> in, std::size_t at) {
  return static_cast<std::uint32_t>(in[at] | (in[at + 1] << 8));
}

std::uint32_t Get32(std::span<const std::uint8_t> in, std::size_t at) {
  return Get16(in, at) | (Get16(in, at + 2) << 16);
}

std::size_t RowLength(int width, int bitsPerPixel) {
  return ((static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32) * 4;
}

struct BmpLayout {
  int width = 0;
  int height = 0;
  bool topDown = false;
  int bitsPerPixel = 0;
  std::size_t pixelOffset = 0;
  std::size_t paletteOffset = 0;
  std::size_t paletteCount = 0;
};

bool ReadLayout(std::span<const std::uint8_t> in, BmpLayout& layout) {
  if (in.size() < kFileHeaderLength + kInfoHeaderLength || in[0] != 'B' || in[1] != 'M') return false;
  const std::uint32_t infoLength = Get32(in, 14);
  if (infoLength < kInfoHeaderLength || infoLength > in.size() - kFileHeaderLength) return false;
  const auto width = static_cast<std::int32_t>(Get32(in, 18));
  const auto height = static_cast<std::int32_t>(Get32(in, 22));
  const std::uint32_t planes = Get16(in, 26);
  layout.bitsPerPixel = static_cast<int>(Get16(in, 28));
  const std::uint32_t compression = Get32(in, 30);
  const std::uint32_t coloursUsed = Get32(in, 46);
  if (planes != 1 || width <= 0 || width > kLargestBmpSide) return false;
  if (height == 0 || height < -kLargestBmpSide || height > kLargestBmpSide) return false;
  const bool plainForm = compression == kUncompressed ||
                         (compression == kBitFields && layout.bitsPerPixel == 32);
  if (!plainForm) return false;
  if (layout.bitsPerPixel != 8 && layout.bitsPerPixel != 24 && layout.bitsPerPixel != 32) return false;
  layout.width = width;
  layout.height = std::abs(height);
  layout.topDown = height < 0;
  layout.pixelOffset = Get32(in, 10);
  if (layout.bitsPerPixel == 8) {
    layout.paletteOffset = kFileHeaderLength + infoLength;
    layout.paletteCount = coloursUsed == 0 ? 256 : coloursUsed;
    if (layout.paletteCount > 256) return false;
    if (layout.paletteCount * 4 > in.size() - layout.paletteOffset) return false;
  }
  const std::size_t pixelBytes = RowLength(layout.width, layout.bitsPerPixel) * layout.height;
  return layout.pixelOffset <= in.size() && pixelBytes <= in.size() - layout.pixelOffset;
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp(const RgbImage& image) {
  const std::size_t rowLength = RowLength(image.width, 24);
  const std::size_t pixelOffset = kFileHeaderLength + kInfoHeaderLength;
  const std::size_t imageSize = rowLength * image.height;
  std::vector<std::uint8_t> out(pixelOffset + imageSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<std::uint32_t>(out.size()));
  Put32(out, 10, static_cast<std::uint32_t>(pixelOffset));
  Put32(out, 14, kInfoHeaderLength);
  Put32(out, 18, static_cast<std::uint32_t>(image.width));
  Put32(out, 22, static_cast<std::uint32_t>(image.height));  // positive: bottom row first
  Put16(out, 26, 1);
  Put16(out, 28, 24);
  Put32(out, 30, kUncompressed);
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
  if (!ReadLayout(bytes, layout)) return false;
  RgbImage result = RgbImage::Blank(layout.width, layout.height);
  const std::size_t rowLength = RowLength(layout.width, layout.bitsPerPixel);
  for (int y = 0; y < layout.height; ++y) {
    const int storedRow = layout.topDown ? y : layout.height - 1 - y;
    const std::uint8_t* row = &bytes[layout.pixelOffset + rowLength * storedRow];
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
