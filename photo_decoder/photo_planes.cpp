#include "photo_decoder/photo_planes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>


namespace {

constexpr float kLevelShift = 128.0f;

std::uint8_t ToByte(float value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0.0f, 255.0f) + 0.5f);
}

}  // namespace

bool IsLowPassCoefficient(PlaneSize size, std::size_t index) {
  const PlaneSize low = LowPassSize(size, kWltWaveletLevels);
  return static_cast<int>(index % size.width) < low.width && static_cast<int>(index / size.width) < low.height;
}

std::array<float, 3> PlaneSteps(const WltHeader& header) {
  const float luma = header.lumaStepCode / 64.0f;
  const float chroma = luma * std::exp2((header.chromaStepCode - 4) / 4.0f);
  return {luma, chroma, chroma};
}

float ReconstructionOffset(const WltHeader& header) { return header.reconstructionCode / 32.0f; }

CoefficientPlanes AnalysePicture(const RgbImage& picture) {
  CoefficientPlanes result;
  result.size = {picture.width, picture.height};
  const std::size_t count = static_cast<std::size_t>(picture.width) * picture.height;
  for (auto& plane : result.planes) plane.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const float r = picture.pixels[i * 3];
    const float g = picture.pixels[i * 3 + 1];
    const float b = picture.pixels[i * 3 + 2];
    result.planes[0][i] = 0.299f * r + 0.587f * g + 0.114f * b - kLevelShift;
    result.planes[1][i] = -0.168736f * r - 0.331264f * g + 0.5f * b;
    result.planes[2][i] = 0.5f * r - 0.418688f * g - 0.081312f * b;
  }
  for (auto& plane : result.planes) ForwardWavelet(plane, result.size, kWltWaveletLevels);
  return result;
}

RgbImage SynthesisePicture(CoefficientPlanes coefficients) {
  for (auto& plane : coefficients.planes) InverseWavelet(plane, coefficients.size, kWltWaveletLevels);
  RgbImage picture = RgbImage::Blank(coefficients.size.width, coefficients.size.height);
  const std::size_t count = coefficients.planes[0].size();
  for (std::size_t i = 0; i < count; ++i) {
    const float y = coefficients.planes[0][i] + kLevelShift;
    const float cb = coefficients.planes[1][i];
    const float cr = coefficients.planes[2][i];
    picture.pixels[i * 3] = ToByte(y + 1.402f * cr);
    picture.pixels[i * 3 + 1] = ToByte(y - 0.344136f * cb - 0.714136f * cr);
    picture.pixels[i * 3 + 2] = ToByte(y + 1.772f * cb);
  }
  return picture;
}

QuantisedPlanes Quantise(const CoefficientPlanes& coefficients, const std::array<float, 3>& steps, float rounding) {
  QuantisedPlanes result;
  result.size = coefficients.size;
  result.levels = kWltWaveletLevels;
  const PlaneSize low = LowPassSize(result.size, kWltWaveletLevels);
  for (int p = 0; p < 3; ++p) {
    const auto& source = coefficients.planes[p];
    auto& target = result.planes[p];
    target.resize(source.size());
    const float inverseStep = 1.0f / steps[p];
    for (int y = 0; y < result.size.height; ++y) {
      for (int x = 0; x < result.size.width; ++x) {
        const std::size_t i = static_cast<std::size_t>(y) * result.size.width + x;
        const float bias = (x < low.width && y < low.height) ? 0.5f : rounding;
        const float magnitude =
            std::min(std::floor(std::fabs(source[i]) * inverseStep + bias), static_cast<float>(kLargestQuantisedMagnitude));
        const auto value = static_cast<std::int32_t>(magnitude);
        target[i] = source[i] < 0 ? -value : value;
      }
    }
  }
  return result;
}

CoefficientPlanes Dequantise(const QuantisedPlanes& quantised, const std::array<float, 3>& steps, float offset) {
  CoefficientPlanes result;
  result.size = quantised.size;
  const PlaneSize low = LowPassSize(result.size, kWltWaveletLevels);
  for (int p = 0; p < 3; ++p) {
    const auto& source = quantised.planes[p];
    auto& target = result.planes[p];
    target.resize(source.size());
    for (int y = 0; y < result.size.height; ++y) {
      for (int x = 0; x < result.size.width; ++x) {
        const std::size_t i = static_cast<std::size_t>(y) * result.size.width + x;
        const std::int32_t value = source[i];
        float magnitude = static_cast<float>(value < 0 ? -value : value);
        if (magnitude != 0 && !(x < low.width && y < low.height)) magnitude += offset;
        target[i] = (value < 0 ? -magnitude : magnitude) * steps[p];
      }
    }
  }
  return result;
}
