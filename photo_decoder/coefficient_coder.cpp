#include "photo_decoder/coefficient_coder.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "photo_decoder/range_coder.h"
#include "photo_decoder/subbands.h"

namespace {

constexpr int kMaxExponent = 24;
constexpr int kPlaneClasses = 2;        // luma, chroma
constexpr int kLevelClasses = 3;        // finest, second, coarser
constexpr int kKindClasses = 2;         // horizontal or vertical, diagonal
constexpr int kNeighbourClasses = 7;
constexpr int kParentClasses = 3;
constexpr int kMaxLevels = 8;

struct ExpGolombModels {
  std::array<AdaptiveBit, kMaxExponent> prefix;
};

struct Models {
  AdaptiveBit bandIsZero[kPlaneClasses][kMaxLevels + 1];
  AdaptiveBit significant[kPlaneClasses][kLevelClasses][kKindClasses][kNeighbourClasses][kParentClasses];
  AdaptiveBit sign[3][3][3];
  AdaptiveBit aboveOne[kPlaneClasses][kNeighbourClasses];
  AdaptiveBit aboveTwo[kPlaneClasses][3];
  ExpGolombModels detailTail[kPlaneClasses];
  AdaptiveBit lowPassIsZero[kPlaneClasses][3];
  AdaptiveBit lowPassSign[kPlaneClasses];
  ExpGolombModels lowPassMagnitude[kPlaneClasses];
};

// Codes value >= 0 as an adaptive exponent followed by plain mantissa bits.
template <class Coder>
std::uint32_t CodeExpGolomb(Coder& coder, std::uint32_t value, ExpGolombModels& models) {
  const std::uint32_t shifted = value + 1;
  int exponent = 0;
  while (exponent < kMaxExponent - 1 && (shifted >> (exponent + 1)) != 0) ++exponent;
  int decodedExponent = 0;
  while (decodedExponent < kMaxExponent - 1 &&
         coder.Code(decodedExponent < exponent, models.prefix[decodedExponent])) {
    ++decodedExponent;
  }
  std::uint32_t result = 1;
  for (int bit = decodedExponent - 1; bit >= 0; --bit) {
    result = (result << 1) | (coder.CodeEven(((shifted >> bit) & 1u) != 0) ? 1u : 0u);
  }
  return result - 1;
}

template <class Coder>
std::int32_t CodeSign(Coder& coder, std::int32_t magnitude, bool negative, AdaptiveBit& model) {
  return coder.Code(negative, model) ? -magnitude : magnitude;
}

int Clamped(std::int32_t value, int limit) { return std::min(std::abs(value), limit); }

int NeighbourClass(int weighted) {
  static constexpr int kUpperBounds[] = {0, 2, 4, 7, 11, 17};
  int cls = 0;
  while (cls < 6 && weighted > kUpperBounds[cls]) ++cls;
  return cls;
}

int SignClass(std::int32_t value) { return value == 0 ? 0 : (value > 0 ? 1 : 2); }

class PlaneCoder {
 public:
  PlaneCoder(std::vector<std::int32_t>& plane, PlaneSize size, int planeClass, Models& models)
      : plane_(plane), size_(size), planeClass_(planeClass), models_(models) {}

  template <class Coder>
  void CodeLowPass(Coder& coder, const Band& band) {
    lowPassWidth_ = band.width;
    residuals_.clear();
    for (int y = 0; y < band.height; ++y) {
      for (int x = 0; x < band.width; ++x) {
        const std::int32_t predicted = PredictLowPass(x, y);
        std::int32_t& value = At(x, y);
        const std::int32_t residual = value - predicted;
        const int context = std::min(2, LowPassActivity(x, y));
        std::int32_t decoded = 0;
        if (!coder.Code(residual == 0, models_.lowPassIsZero[planeClass_][context])) {
          const auto magnitude = static_cast<std::int32_t>(
              1 + CodeExpGolomb(coder, static_cast<std::uint32_t>(std::abs(residual)) - 1u,
                                models_.lowPassMagnitude[planeClass_]));
          decoded = CodeSign(coder, std::min(magnitude, kLargestQuantisedMagnitude), residual < 0,
                             models_.lowPassSign[planeClass_]);
        }
        value = std::clamp(predicted + decoded, -kLargestQuantisedMagnitude, kLargestQuantisedMagnitude);
        residuals_.push_back(decoded);
      }
    }
  }

  template <class Coder>
  void CodeDetail(Coder& coder, const Band& band, const Band* parent) {
    bool allZero = true;
    for (int y = 0; y < band.height && allZero; ++y) {
      for (int x = 0; x < band.width && allZero; ++x) allZero = At(band.left + x, band.top + y) == 0;
    }
    if (coder.Code(allZero, models_.bandIsZero[planeClass_][band.level])) return;
    const int levelClass = std::min(band.level - 1, kLevelClasses - 1);
    const int kindClass = band.kind == BandKind::kDiagonal ? 1 : 0;
    const int signKind = static_cast<int>(band.kind) - 1;
    for (int y = 0; y < band.height; ++y) {
      for (int x = 0; x < band.width; ++x) {
        std::int32_t& value = At(band.left + x, band.top + y);
        const int neighbours = NeighbourClass(DetailActivity(band, x, y));
        const int parentClass = parent ? Clamped(ParentOf(*parent, x, y), kParentClasses - 1) : 0;
        AdaptiveBit& significance =
            models_.significant[planeClass_][levelClass][kindClass][neighbours][parentClass];
        if (!coder.Code(value != 0, significance)) {
          value = 0;
          continue;
        }
        const std::int32_t magnitude = CodeMagnitude(coder, std::abs(value), neighbours);
        const int left = x > 0 ? SignClass(At(band.left + x - 1, band.top + y)) : 0;
        const int up = y > 0 ? SignClass(At(band.left + x, band.top + y - 1)) : 0;
        value = CodeSign(coder, magnitude, value < 0, models_.sign[signKind][left][up]);
      }
    }
  }

 private:
  std::int32_t& At(int x, int y) { return plane_[static_cast<std::size_t>(y) * size_.width + x]; }

  // Median edge detector over the left, upper and upper-left values.
  std::int32_t PredictLowPass(int x, int y) {
    if (x == 0 && y == 0) return 0;
    if (y == 0) return At(x - 1, y);
    if (x == 0) return At(x, y - 1);
    const std::int32_t left = At(x - 1, y);
    const std::int32_t up = At(x, y - 1);
    const std::int32_t corner = At(x - 1, y - 1);
    if (corner >= std::max(left, up)) return std::min(left, up);
    if (corner <= std::min(left, up)) return std::max(left, up);
    return left + up - corner;
  }

  // How busy the residuals just coded around (x, y) were.
  int LowPassActivity(int x, int y) const {
    const std::size_t index = residuals_.size();
    int activity = 0;
    if (x > 0) activity += Clamped(residuals_[index - 1], 2);
    if (y > 0) activity += Clamped(residuals_[index - lowPassWidth_], 2);
    return activity;
  }

  int DetailActivity(const Band& band, int x, int y) {
    auto magnitude = [&](int dx, int dy) {
      const int nx = x + dx;
      const int ny = y + dy;
      if (nx < 0 || ny < 0 || nx >= band.width) return 0;
      return Clamped(At(band.left + nx, band.top + ny), 3);
    };
    return 2 * magnitude(-1, 0) + 2 * magnitude(0, -1) + magnitude(-1, -1) + magnitude(1, -1) +
           magnitude(-2, 0) + magnitude(0, -2);
  }

  std::int32_t ParentOf(const Band& parent, int x, int y) {
    const int px = std::min(x / 2, parent.width - 1);
    const int py = std::min(y / 2, parent.height - 1);
    return At(parent.left + px, parent.top + py);
  }

  template <class Coder>
  std::int32_t CodeMagnitude(Coder& coder, std::int32_t magnitude, int neighbours) {
    if (!coder.Code(magnitude > 1, models_.aboveOne[planeClass_][neighbours])) return 1;
    if (!coder.Code(magnitude > 2, models_.aboveTwo[planeClass_][std::min(neighbours, 2)])) return 2;
    const std::uint32_t tail = CodeExpGolomb(coder, static_cast<std::uint32_t>(std::max(magnitude - 3, 0)),
                                             models_.detailTail[planeClass_]);
    return static_cast<std::int32_t>(std::min<std::uint32_t>(tail + 3u, kLargestQuantisedMagnitude));
  }

  std::vector<std::int32_t>& plane_;
  PlaneSize size_;
  int planeClass_;
  Models& models_;
  std::vector<std::int32_t> residuals_;
  std::size_t lowPassWidth_ = 0;
};

}  // namespace

template <class Coder>
void CodeQuantisedPlanes(Coder& coder, QuantisedPlanes& quantised) {
  auto models = std::make_unique<Models>();
  const std::vector<Band> bands = BandsCoarseToFine(quantised.size, quantised.levels);
  for (int planeIndex = 0; planeIndex < 3; ++planeIndex) {
    PlaneCoder plane(quantised.planes[planeIndex], quantised.size, planeIndex == 0 ? 0 : 1, *models);
    plane.CodeLowPass(coder, bands[0]);
    for (int i = 1; i < static_cast<int>(bands.size()); ++i) {
      const int parent = ParentBandIndex(bands, i);
      plane.CodeDetail(coder, bands[i], parent >= 0 ? &bands[parent] : nullptr);
    }
  }
}

template void CodeQuantisedPlanes<RangeEncoder>(RangeEncoder&, QuantisedPlanes&);
template void CodeQuantisedPlanes<RangeDecoder>(RangeDecoder&, QuantisedPlanes&);
