#include "photo_decoder/wlt_codec.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "photo_decoder/coefficient_coder.h"
#include "photo_decoder/photo_planes.h"
#include "photo_decoder/range_coder.h"
#include "photo_decoder/wlt_header.h"

namespace {

// Zero-zone roundings and chroma step codes the encoder tries.
constexpr float kRoundings[] = {0.5f, 0.42f, 0.34f, 0.26f};
constexpr std::uint8_t kChromaStepCodes[] = {3, 4, 5, 6, 7, 8};
constexpr std::uint16_t kMaxStepCode = 0xFFFF;
// Squared error in red, green and blue caused by a unit error in luma,
// blue difference and red difference.
constexpr double kColourWeights[3] = {3.0, 3.2614, 2.4746};

struct Candidate {
  WltHeader header;
  std::vector<std::uint8_t> payload;
  double error = 0;
};

std::vector<std::uint8_t> CodePayload(QuantisedPlanes quantised) {
  RangeEncoder encoder;
  CodeQuantisedPlanes(encoder, quantised);
  return encoder.Finish();
}

// The reconstruction offset that minimises the colour error of the
// non-zero detail coefficients.
std::uint8_t BestReconstructionCode(const CoefficientPlanes& original, const QuantisedPlanes& quantised,
                                    const std::array<float, 3>& steps) {
  double numerator = 0;
  double denominator = 0;
  for (int p = 0; p < 3; ++p) {
    for (std::size_t i = 0; i < original.planes[p].size(); ++i) {
      const std::int32_t value = quantised.planes[p][i];
      if (value == 0 || IsLowPassCoefficient(original.size, i)) continue;
      const double magnitude = std::abs(value);
      numerator += kColourWeights[p] * steps[p] * (std::fabs(original.planes[p][i]) - magnitude * steps[p]);
      denominator += kColourWeights[p] * steps[p] * steps[p];
    }
  }
  if (denominator == 0) return 0;
  return static_cast<std::uint8_t>(std::clamp(std::lround(numerator / denominator * 32.0), 0L, 15L));
}

double ColourError(const CoefficientPlanes& original, const CoefficientPlanes& reconstructed) {
  double error = 0;
  for (int p = 0; p < 3; ++p) {
    for (std::size_t i = 0; i < original.planes[p].size(); ++i) {
      const double difference = original.planes[p][i] - reconstructed.planes[p][i];
      error += kColourWeights[p] * difference * difference;
    }
  }
  return error;
}

std::vector<std::uint8_t> PayloadForStep(const CoefficientPlanes& coefficients, WltHeader header, float rounding) {
  return CodePayload(Quantise(coefficients, PlaneSteps(header), rounding));
}

// The finest luma step whose payload fits, with its error.
std::optional<Candidate> FitStep(const CoefficientPlanes& coefficients, std::uint8_t chromaCode, float rounding,
                                 std::size_t payloadBudget) {
  WltHeader header;
  header.chromaStepCode = chromaCode;
  auto fits = [&](std::uint16_t stepCode) {
    header.lumaStepCode = stepCode;
    return PayloadForStep(coefficients, header, rounding).size() <= payloadBudget;
  };
  std::uint32_t coarse = kMaxStepCode;
  if (!fits(static_cast<std::uint16_t>(coarse))) return std::nullopt;
  std::uint32_t fine = kWltMinStepCode;
  if (fits(static_cast<std::uint16_t>(fine))) {
    coarse = fine;
  } else {
    while (coarse - fine > 1) {
      const std::uint32_t middle = (coarse + fine) / 2;
      (fits(static_cast<std::uint16_t>(middle)) ? coarse : fine) = middle;
    }
  }
  Candidate candidate;
  header.lumaStepCode = static_cast<std::uint16_t>(coarse);
  const auto steps = PlaneSteps(header);
  const QuantisedPlanes quantised = Quantise(coefficients, steps, rounding);
  header.reconstructionCode = BestReconstructionCode(coefficients, quantised, steps);
  candidate.error = ColourError(coefficients, Dequantise(quantised, steps, ReconstructionOffset(header)));
  candidate.payload = CodePayload(quantised);
  candidate.header = header;
  return candidate;
}

}  // namespace

std::vector<std::uint8_t> EncodeWltPhoto(const RgbImage& portrait, std::size_t budget) {
  if (portrait.width != kWltPhotoWidth || portrait.height != kWltPhotoHeight) return {};
  if (portrait.pixels.size() != static_cast<std::size_t>(kWltPhotoWidth) * kWltPhotoHeight * 3) return {};
  budget = std::min(budget, kWltMaxBytes);
  if (budget <= kWltHeaderLength) return {};
  const CoefficientPlanes coefficients = AnalysePicture(portrait);
  std::optional<Candidate> best;
  for (const float rounding : kRoundings) {
    for (const std::uint8_t chromaCode : kChromaStepCodes) {
      auto candidate = FitStep(coefficients, chromaCode, rounding, budget - kWltHeaderLength);
      if (candidate && (!best || candidate->error < best->error)) best = std::move(candidate);
    }
  }
  if (!best) return {};
  return AssembleWltStream(best->header, best->payload);
}

bool DecodeWltPhoto(std::span<const std::uint8_t> bytes, RgbImage& photo) {
  const std::optional<WltHeader> header = ReadWltHeader(bytes);
  if (!header) return false;
  QuantisedPlanes quantised;
  quantised.size = {kWltPhotoWidth, kWltPhotoHeight};
  quantised.levels = kWltWaveletLevels;
  for (auto& plane : quantised.planes) plane.assign(static_cast<std::size_t>(kWltPhotoWidth) * kWltPhotoHeight, 0);
  RangeDecoder decoder(bytes.subspan(kWltHeaderLength, header->payloadLength));
  CodeQuantisedPlanes(decoder, quantised);
  photo = SynthesisePicture(Dequantise(quantised, PlaneSteps(*header), ReconstructionOffset(*header)));
  return true;
}
