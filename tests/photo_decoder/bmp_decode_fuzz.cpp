// Any bytes handed to the encoder tool as a bitmap are read without going
// outside them, and whatever picture comes out can be fitted to the photo.
// The same bytes, whole and cut into the 512-byte slots of a glyph file,
// go through the header checks that guard the printed card's drawing: every
// part they pass must lie inside the bytes, which the reads below prove.
#include <cstddef>
#include <cstdint>
#include <span>

#include "photo_decoder/bmp_file.h"
#include "photo_decoder/bmp_layout.h"
#include "photo_decoder/portrait_fit.h"

namespace {

volatile std::uint8_t sink;

void TouchCheckedParts(std::span<const std::uint8_t> bytes) {
  BmpLayout layout;
  if (!ReadBmpLayout(bytes, layout)) return;
  sink = bytes[layout.infoOffset + kBmpInfoHeaderLength - 1];
  if (layout.paletteCount > 0) sink = bytes[layout.paletteOffset + layout.paletteCount * 4 - 1];
  sink = bytes[layout.pixelOffset + layout.rowLength * static_cast<std::size_t>(layout.height) - 1];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  TouchCheckedParts(bytes);
  for (std::size_t slot = 0; slot + 512 <= size; slot += 512) TouchCheckedParts(bytes.subspan(slot, 512));
  RgbImage picture;
  if (DecodeBmp(bytes, picture) && picture.pixels.size() <= 3u * 512 * 512) {
    FitPortrait(picture, 102, 126);
  }
  return 0;
}
