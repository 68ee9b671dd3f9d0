#include "photo_decoder/wavelet.h"

#include <cstddef>

namespace {

// Lifting steps of the 9/7 filter pair.
constexpr float kPredict1 = -1.586134342f;
constexpr float kUpdate1 = -0.052980118f;
constexpr float kPredict2 = 0.882911076f;
constexpr float kUpdate2 = 0.443506852f;
// Band gains that make the pair nearly orthonormal.
constexpr float kLowGain = 1.149604398f;
constexpr float kHighGain = 1.0f / 1.149604398f;

// Samples outside the line mirror around its end samples, so an end sample
// sees its one inner neighbour twice.
void Lift(float* x, int n, int parity, float weight) {
  int i = parity;
  if (i == 0) {
    x[0] += weight * 2.0f * x[1];
    i = 2;
  }
  for (; i + 1 < n; i += 2) x[i] += weight * (x[i - 1] + x[i + 1]);
  if (i < n) x[i] += weight * 2.0f * x[i - 1];
}

// Transforms n samples of a line and leaves the low-pass half first.
void ForwardLine(float* x, int n, std::vector<float>& scratch) {
  if (n < 2) return;
  Lift(x, n, 1, kPredict1);
  Lift(x, n, 0, kUpdate1);
  Lift(x, n, 1, kPredict2);
  Lift(x, n, 0, kUpdate2);
  const int lowCount = (n + 1) / 2;
  scratch.assign(x, x + n);
  for (int i = 0; i < lowCount; ++i) x[i] = scratch[2 * i] * kLowGain;
  for (int i = 0; i < n - lowCount; ++i) x[lowCount + i] = scratch[2 * i + 1] * kHighGain;
}

void InverseLine(float* x, int n, std::vector<float>& scratch) {
  if (n < 2) return;
  const int lowCount = (n + 1) / 2;
  scratch.assign(x, x + n);
  for (int i = 0; i < lowCount; ++i) x[2 * i] = scratch[i] * (1.0f / kLowGain);
  for (int i = 0; i < n - lowCount; ++i) x[2 * i + 1] = scratch[lowCount + i] * (1.0f / kHighGain);
  Lift(x, n, 0, -kUpdate2);
  Lift(x, n, 1, -kPredict2);
  Lift(x, n, 0, -kUpdate1);
  Lift(x, n, 1, -kPredict1);
}

enum class Direction { kForward, kInverse };

void TransformRegion(std::vector<float>& plane, int stride, PlaneSize region, Direction direction) {
  std::vector<float> line;
  std::vector<float> scratch;
  auto run = [&](float* x, int n) {
    if (direction == Direction::kForward) {
      ForwardLine(x, n, scratch);
    } else {
      InverseLine(x, n, scratch);
    }
  };
  auto rows = [&] {
    for (int y = 0; y < region.height; ++y) run(&plane[static_cast<std::size_t>(y) * stride], region.width);
  };
  auto columns = [&] {
    line.resize(region.height);
    for (int x = 0; x < region.width; ++x) {
      for (int y = 0; y < region.height; ++y) line[y] = plane[static_cast<std::size_t>(y) * stride + x];
      run(line.data(), region.height);
      for (int y = 0; y < region.height; ++y) plane[static_cast<std::size_t>(y) * stride + x] = line[y];
    }
  };
  if (direction == Direction::kForward) {
    rows();
    columns();
  } else {
    columns();
    rows();
  }
}

}  // namespace

PlaneSize LowPassSize(PlaneSize plane, int level) {
  for (int i = 0; i < level; ++i) {
    plane.width = (plane.width + 1) / 2;
    plane.height = (plane.height + 1) / 2;
  }
  return plane;
}

void ForwardWavelet(std::vector<float>& plane, PlaneSize size, int levels) {
  for (int level = 0; level < levels; ++level) {
    TransformRegion(plane, size.width, LowPassSize(size, level), Direction::kForward);
  }
}

void InverseWavelet(std::vector<float>& plane, PlaneSize size, int levels) {
  for (int level = levels - 1; level >= 0; --level) {
    TransformRegion(plane, size.width, LowPassSize(size, level), Direction::kInverse);
  }
}
