// Where the parts of a Windows bitmap file lie, read from its headers and
// checked against the bytes at hand before anything else looks at them:
// the file may come from anywhere, and the drawing code hands the headers
// and rows straight to the platform, which trusts them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr std::size_t kBmpFileHeaderLength = 14;
inline constexpr std::size_t kBmpInfoHeaderLength = 40;
inline constexpr std::uint32_t kBmpUncompressed = 0;  // BI_RGB
inline constexpr std::uint32_t kBmpBitFields = 3;     // BI_BITFIELDS

struct BmpLayout {
  std::int32_t width = 0;
  std::int32_t height = 0;  // always positive; topDown tells the row order
  bool topDown = false;
  int bitsPerPixel = 0;
  std::uint32_t compression = kBmpUncompressed;
  std::size_t infoOffset = kBmpFileHeaderLength;
  std::size_t paletteOffset = 0;
  std::size_t paletteCount = 0;
  std::size_t pixelOffset = 0;
  std::size_t rowLength = 0;
};

// True when bytes hold a file header ("BM"), an information header of 40
// bytes or more, a positive width, a non-zero height, one plane, a depth of
// 1, 4, 8, 16, 24 or 32 bits, no compression (or bit-field masks for 16 and
// 32 bits, lying inside the bytes), and a colour table and every row inside
// the bytes. The sizes are computed so that no header value can overflow
// them, whatever the width of size_t.
bool ReadBmpLayout(std::span<const std::uint8_t> bytes, BmpLayout& layout);
