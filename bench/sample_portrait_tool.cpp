// sample-portrait: writes one of the generated portraits as a PNG file, for
// the portraits of the emulator's sample cards.
//
//   sample-portrait SEED WIDTH HEIGHT OUTPUT.png
#include <cstdio>
#include <string>

#include "bench/sample_portraits.h"
#include "photo_decoder/bmp_file.h"
#include "photo_decoder/png_file.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: sample-portrait SEED WIDTH HEIGHT OUTPUT.png\n");
    return 2;
  }
  const auto seed = static_cast<std::uint32_t>(std::stoul(argv[1]));
  const int width = std::stoi(argv[2]);
  const int height = std::stoi(argv[3]);
  if (width < 1 || height < 1 || width > kLargestBmpSide || height > kLargestBmpSide) {
    std::fprintf(stderr, "sample-portrait: size out of range\n");
    return 2;
  }
  if (!WritePngFile(argv[4], MakeSamplePortrait(seed, width, height))) {
    std::fprintf(stderr, "sample-portrait: cannot write %s\n", argv[4]);
    return 1;
  }
  return 0;
}
