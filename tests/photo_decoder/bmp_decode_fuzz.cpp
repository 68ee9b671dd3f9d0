// Any bytes handed to the encoder tool as a bitmap are read without going
// outside them, and whatever picture comes out can be fitted to the photo.
#include <cstddef>
#include <cstdint>

#include "photo_decoder/bmp_file.h"
#include "photo_decoder/portrait_fit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  RgbImage picture;
  if (DecodeBmp({data, size}, picture) && picture.pixels.size() <= 3u * 512 * 512) {
    FitPortrait(picture, 102, 126);
  }
  return 0;
}
