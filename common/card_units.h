// The printed card's units: tenths of a millimetre, measured from the card
// image's top-left corner, turned into device pixels at the printer's
// resolution. Each value is converted on its own, truncating towards zero,
// so that sums of converted values (the glyph advance) come out as the
// layout defines them.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>

inline constexpr int kUnitsPerInch = 254;

// Dots per inch across and down.
struct DeviceResolution {
  int x;
  int y;
};

inline int UnitsToPixels(std::int32_t units, int dotsPerInch) {
  // A page position comes from the settings file and may be anything.
  const std::int64_t pixels = static_cast<std::int64_t>(units) * dotsPerInch / kUnitsPerInch;
  return static_cast<int>(std::clamp<std::int64_t>(pixels, INT_MIN, INT_MAX));
}

inline int UnitsAcross(std::int32_t units, DeviceResolution dpi) { return UnitsToPixels(units, dpi.x); }
inline int UnitsDown(std::int32_t units, DeviceResolution dpi) { return UnitsToPixels(units, dpi.y); }

// The card, 85.6 mm x 54.0 mm.
inline constexpr int kCardWidthUnits = 856;
inline constexpr int kCardHeightUnits = 540;
