// Drawing bitmap files onto the printed card: templates stretched into a
// rectangle of any drawing surface, and pictures laid onto the card image
// with their near-white pixels left out. Every file is read through a
// read-only mapping, and its headers are checked against the mapping before
// the platform is handed any of it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/mapped_file.h"

// The file is mapped but is not a bottom-up bitmap that lies wholly inside it.
inline constexpr int kBitmapMalformed = 6;

// The card image's pixels: 24-bit, rows bottom-up, blue-green-red.
struct CardImage {
  std::uint8_t* bits;
  int width;
  int height;

  std::size_t RowBytes() const { return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4; }
  // Row `top` counted from the top edge.
  std::uint8_t* Row(int top) const { return bits + RowBytes() * static_cast<std::size_t>(height - 1 - top); }
};

// A pixel whose blue, green and red are all at least this light is left out.
inline constexpr std::uint8_t kNearWhite = 245;

// Stretches the whole bitmap file at path into the rectangle (a width of 0
// keeps the picture's proportions). kFileMapped (1) on success, else a
// MappedFile result or kBitmapMalformed; nothing is drawn then.
int DrawBitmapFile(HDC surface, int x, int y, int width, int height, const wchar_t* path);

// Scales the bitmap file at path to width x height and lays it onto the card
// at (x, y), leaving out near-white pixels and whatever falls beyond the
// card's right or bottom edge. The file is opened without sharing. Results
// as DrawBitmapFile.
int OverlayBitmapFile(HDC surface, const CardImage& card, int x, int y, int width, int height, const wchar_t* path);

// Lays the bitmap held in bytes (a whole file image) onto the card as
// OverlayBitmapFile does; false, drawing nothing, when its headers do not
// fit inside bytes.
bool OverlayBitmapBytes(HDC surface, const CardImage& card, int x, int y, int width, int height,
                        std::span<const std::uint8_t> bytes);
