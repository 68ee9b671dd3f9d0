#include "photo_decoder/bmp_layout.h"

namespace {

constexpr std::size_t kMaskBytes = 12;  // red, green and blue masks
constexpr std::uint64_t kPaletteEntryBytes = 4;

std::uint32_t Get16(std::span<const std::uint8_t> in, std::size_t at) {
  return static_cast<std::uint32_t>(in[at] | (in[at + 1] << 8));
}

std::uint32_t Get32(std::span<const std::uint8_t> in, std::size_t at) {
  return Get16(in, at) | (Get16(in, at + 2) << 16);
}

bool IsKnownDepth(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

// The colour table's entry count: biClrUsed, or the full table of a
// palette picture when it is 0. -1 for a count the depth cannot use.
std::int64_t PaletteCount(int bits, std::uint32_t coloursUsed) {
  if (bits > 8) return coloursUsed;
  const std::uint32_t full = 1u << bits;
  if (coloursUsed == 0) return full;
  return coloursUsed <= full ? coloursUsed : -1;
}

}  // namespace

bool ReadBmpLayout(std::span<const std::uint8_t> in, BmpLayout& layout) {
  const std::uint64_t size = in.size();
  if (size < kBmpFileHeaderLength + kBmpInfoHeaderLength || in[0] != 'B' || in[1] != 'M') return false;
  const std::uint64_t infoLength = Get32(in, 14);
  if (infoLength < kBmpInfoHeaderLength || infoLength > size - kBmpFileHeaderLength) return false;
  const auto width = static_cast<std::int32_t>(Get32(in, 18));
  const auto height = static_cast<std::int32_t>(Get32(in, 22));
  const int bits = static_cast<int>(Get16(in, 28));
  const std::uint32_t compression = Get32(in, 30);
  // INT32_MIN has no positive counterpart.
  if (width <= 0 || height == 0 || height == INT32_MIN || Get16(in, 26) != 1 || !IsKnownDepth(bits)) return false;
  const bool bitFields = compression == kBmpBitFields && (bits == 16 || bits == 32);
  if (compression != kBmpUncompressed && !bitFields) return false;

  // A 40-byte header is followed by the masks; longer headers hold them.
  std::uint64_t tableOffset = kBmpFileHeaderLength + infoLength;
  if (bitFields && infoLength == kBmpInfoHeaderLength) tableOffset += kMaskBytes;
  const std::int64_t paletteCount = PaletteCount(bits, Get32(in, 46));
  if (tableOffset > size || paletteCount < 0) return false;
  if (static_cast<std::uint64_t>(paletteCount) > (size - tableOffset) / kPaletteEntryBytes) return false;

  const std::uint64_t pixelOffset = Get32(in, 10);
  const std::uint64_t rowLength = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
  const std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
  if (pixelOffset > size || rowLength > size - pixelOffset) return false;
  if (rows > (size - pixelOffset) / rowLength) return false;

  layout.width = width;
  layout.height = static_cast<std::int32_t>(rows);
  layout.topDown = height < 0;
  layout.bitsPerPixel = bits;
  layout.compression = compression;
  layout.infoOffset = kBmpFileHeaderLength;
  layout.paletteOffset = static_cast<std::size_t>(tableOffset);
  layout.paletteCount = static_cast<std::size_t>(paletteCount);
  layout.pixelOffset = static_cast<std::size_t>(pixelOffset);
  layout.rowLength = static_cast<std::size_t>(rowLength);
  return true;
}
