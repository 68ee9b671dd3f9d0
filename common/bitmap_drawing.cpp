#include "common/bitmap_drawing.h"

#include "framework/device_context.h"
#include "framework/gdi_objects.h"
#include "photo_decoder/bmp_layout.h"

namespace {

// A bitmap the platform may be given: its headers and rows inside bytes,
// its rows stored bottom-up.
bool ReadDrawableLayout(std::span<const std::uint8_t> bytes, BmpLayout& layout) {
  return ReadBmpLayout(bytes, layout) && !layout.topDown;
}

const BITMAPINFO* InfoOf(std::span<const std::uint8_t> bytes, const BmpLayout& layout) {
  return reinterpret_cast<const BITMAPINFO*>(bytes.data() + layout.infoOffset);
}

// The whole picture stretched into the rectangle.
void StretchInto(HDC target, int x, int y, int width, int height, std::span<const std::uint8_t> bytes,
                 const BmpLayout& layout) {
  StretchDIBits(target, x, y, width, height, 0, 0, layout.width, layout.height, bytes.data() + layout.pixelOffset,
                InfoOf(bytes, layout), DIB_RGB_COLORS, SRCCOPY);
}

// A 24-bit bottom-up bitmap whose pixels can be read directly.
struct PixelBitmap {
  CBitmap bitmap;
  std::uint8_t* bits = nullptr;
};

PixelBitmap CreatePixelBitmap(HDC compatibleWith, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  PixelBitmap result;
  result.bitmap.Attach(CreateDIBSection(compatibleWith, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (result.bitmap) result.bits = static_cast<std::uint8_t*>(bits);
  return result;
}

bool IsNearWhite(const std::uint8_t* pixel) {
  return pixel[0] >= kNearWhite && pixel[1] >= kNearWhite && pixel[2] >= kNearWhite;
}

// Copies the scaled picture onto the card row by row from the top; rows at
// or below the card's bottom edge end the copy, columns at or beyond its
// right edge are skipped.
void CopyOntoCard(const CardImage& scaled, const CardImage& card, int x, int y) {
  for (int i = 0; i < scaled.height && y + i < card.height; ++i) {
    if (y + i < 0) continue;
    const std::uint8_t* from = scaled.Row(i);
    std::uint8_t* to = card.Row(y + i);
    for (int j = 0; j < scaled.width && x + j < card.width; ++j) {
      const std::uint8_t* pixel = from + static_cast<std::size_t>(j) * 3;
      if (x + j < 0 || IsNearWhite(pixel)) continue;
      std::uint8_t* target = to + static_cast<std::size_t>(x + j) * 3;
      target[0] = pixel[0];
      target[1] = pixel[1];
      target[2] = pixel[2];
    }
  }
}

}  // namespace

int DrawBitmapFile(HDC surface, int x, int y, int width, int height, const wchar_t* path) {
  MappedFile file;
  const int opened = file.Open(path, FILE_SHARE_READ);
  if (opened != kFileMapped) return opened;
  BmpLayout layout;
  if (!ReadDrawableLayout(file.Bytes(), layout)) return kBitmapMalformed;
  if (width == 0) width = static_cast<int>(static_cast<std::int64_t>(height) * layout.width / layout.height);
  StretchInto(surface, x, y, width, height, file.Bytes(), layout);
  return kFileMapped;
}

int OverlayBitmapFile(HDC surface, const CardImage& card, int x, int y, int width, int height, const wchar_t* path) {
  MappedFile file;
  const int opened = file.Open(path, 0);
  if (opened != kFileMapped) return opened;
  return OverlayBitmapBytes(surface, card, x, y, width, height, file.Bytes()) ? kFileMapped : kBitmapMalformed;
}

bool OverlayBitmapBytes(HDC surface, const CardImage& card, int x, int y, int width, int height,
                        std::span<const std::uint8_t> bytes) {
  BmpLayout layout;
  if (!ReadDrawableLayout(bytes, layout)) return false;
  if (width <= 0 || height <= 0) return true;
  CMemoryDC scratch(surface);
  PixelBitmap scaled = CreatePixelBitmap(surface, width, height);
  if (!scratch || scaled.bits == nullptr) return true;
  {
    CSelectObject selected(scratch, scaled.bitmap);
    StretchInto(scratch, 0, 0, width, height, bytes, layout);
  }
  // The platform may still be drawing into either bitmap.
  GdiFlush();
  CopyOntoCard({scaled.bits, width, height}, card, x, y);
  return true;
}
