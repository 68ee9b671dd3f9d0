#include "photo_decoder/portrait_fit.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace {

struct Tap {
  int index;
  float weight;
};

// For each of `count` target samples, the source samples in its share of
// [start, start + length) and how much of each it covers. Indices stay
// inside the `available` source samples whatever the rounding.
std::vector<std::vector<Tap>> AreaTaps(double start, double length, int count, int available) {
  std::vector<std::vector<Tap>> taps(count);
  const double share = length / count;
  for (int i = 0; i < count; ++i) {
    const double from = start + i * share;
    const double to = from + share;
    float total = 0;
    const int first = std::max(0, static_cast<int>(std::floor(from)));
    const int end = std::min(available, static_cast<int>(std::ceil(to)));
    for (int s = first; s < end; ++s) {
      const auto covered = static_cast<float>(std::min<double>(s + 1, to) - std::max<double>(s, from));
      if (covered <= 0) continue;
      taps[i].push_back({s, covered});
      total += covered;
    }
    if (taps[i].empty()) taps[i].push_back({std::clamp(first, 0, available - 1), 1.0f});
    for (Tap& tap : taps[i]) tap.weight /= total > 0 ? total : 1.0f;
  }
  return taps;
}

}  // namespace

RgbImage FitPortrait(const RgbImage& source, int width, int height) {
  // Crop to the target's proportions, keeping the centre.
  double cropWidth = source.width;
  double cropHeight = static_cast<double>(source.width) * height / width;
  if (cropHeight > source.height) {
    cropHeight = source.height;
    cropWidth = static_cast<double>(source.height) * width / height;
  }
  const auto columns = AreaTaps((source.width - cropWidth) / 2, cropWidth, width, source.width);
  const auto rows = AreaTaps((source.height - cropHeight) / 2, cropHeight, height, source.height);

  // Horizontal pass into floats, then the vertical pass into bytes.
  std::vector<float> narrowed(static_cast<std::size_t>(width) * source.height * 3);
  for (int y = 0; y < source.height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) {
        float sum = 0;
        for (const Tap& tap : columns[x]) sum += tap.weight * source.Pixel(tap.index, y)[c];
        narrowed[(static_cast<std::size_t>(y) * width + x) * 3 + c] = sum;
      }
    }
  }
  RgbImage result = RgbImage::Blank(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) {
        float sum = 0;
        for (const Tap& tap : rows[y]) sum += tap.weight * narrowed[(static_cast<std::size_t>(tap.index) * width + x) * 3 + c];
        result.Pixel(x, y)[c] = static_cast<std::uint8_t>(std::clamp(sum, 0.0f, 255.0f) + 0.5f);
      }
    }
  }
  return result;
}
