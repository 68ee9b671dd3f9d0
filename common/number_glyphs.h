// The citizen number on the printed front, drawn with the digit glyphs of
// the glyph file: eleven 512-byte slots, each a whole bitmap file image,
// slots 0 to 9 the digits and slot 10 the letter X.
#pragma once

#include <windows.h>

#include <cstddef>

#include "common/bitmap_drawing.h"
#include "common/card_units.h"

inline constexpr std::size_t kGlyphSlotBytes = 512;
inline constexpr std::size_t kGlyphSlotCount = 11;
inline constexpr std::size_t kGlyphFileBytes = kGlyphSlotBytes * kGlyphSlotCount;  // 5632

// Lays one glyph per character of text onto the card from its place on the
// front; the first character that is neither a digit nor "X" ends the row.
// A slot whose bitmap does not fit inside it is left out, its place kept.
// dpi is the printer's resolution, which a memory surface cannot report.
// 1 when the glyph file could be used, else 0 with nothing drawn.
int DrawNumberGlyphs(HDC surface, const CardImage& card, const wchar_t* text, const wchar_t* path,
                     DeviceResolution dpi);
