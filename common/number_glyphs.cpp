#include "common/number_glyphs.h"

namespace {

constexpr int kFirstGlyphX = 300;
constexpr int kGlyphY = 450;
constexpr int kGlyphWidth = 20;
constexpr int kGlyphHeight = 30;
constexpr int kGlyphGap = 5;
constexpr std::size_t kLetterXSlot = 10;

// The glyph slot of a character, or kGlyphSlotCount for one that ends the row.
std::size_t SlotOf(wchar_t character) {
  if (character >= L'0' && character <= L'9') return static_cast<std::size_t>(character - L'0');
  return character == L'X' ? kLetterXSlot : kGlyphSlotCount;
}

}  // namespace

int DrawNumberGlyphs(HDC surface, const CardImage& card, const wchar_t* text, const wchar_t* path,
                     DeviceResolution dpi) {
  MappedFile file;
  if (file.Open(path, FILE_SHARE_READ, kGlyphFileBytes) != kFileMapped) return 0;
  const int width = UnitsAcross(kGlyphWidth, dpi);
  const int height = UnitsDown(kGlyphHeight, dpi);
  const int advance = UnitsAcross(kGlyphGap, dpi) + UnitsAcross(kGlyphWidth, dpi);
  const int y = UnitsDown(kGlyphY, dpi);
  int x = UnitsAcross(kFirstGlyphX, dpi);
  for (const wchar_t* character = text; *character != L'\0'; ++character) {
    const std::size_t slot = SlotOf(*character);
    if (slot == kGlyphSlotCount) break;
    OverlayBitmapBytes(surface, card, x, y, width, height, file.Bytes().subspan(slot * kGlyphSlotBytes, kGlyphSlotBytes));
    x += advance;
  }
  return 1;
}
