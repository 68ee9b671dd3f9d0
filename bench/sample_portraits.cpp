#include "bench/sample_portraits.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "photo_decoder/wlt_codec.h"

namespace {

// Small deterministic generator (xorshift32).
class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 1u) {}
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  float Uniform(float low, float high) { return low + (high - low) * (Next() >> 8) / 16777216.0f; }
  float Noise(float amplitude) {  // roughly Gaussian
    return amplitude * (Uniform(-1, 1) + Uniform(-1, 1) + Uniform(-1, 1));
  }

 private:
  std::uint32_t state_;
};

struct Colour {
  float r, g, b;
};

Colour Mix(Colour a, Colour b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour Scale(Colour c, float factor) { return {c.r * factor, c.g * factor, c.b * factor}; }

// Coverage of an ellipse with a soft edge about a pixel wide.
float Ellipse(float x, float y, float cx, float cy, float rx, float ry) {
  const float dx = (x - cx) / rx;
  const float dy = (y - cy) / ry;
  const float distance = std::sqrt(dx * dx + dy * dy);
  const float edge = 1.0f / std::min(rx, ry);
  return std::clamp((1.0f - distance) / edge + 0.5f, 0.0f, 1.0f);
}

Colour RandomColour(Random& random, Colour low, Colour high) {
  return {random.Uniform(low.r, high.r), random.Uniform(low.g, high.g), random.Uniform(low.b, high.b)};
}

struct Face {
  float cx, cy, rx, ry;
  Colour skin, hair, cloth, backgroundTop, backgroundBottom;
  float hairTexture, clothStripes, noise;
};

Face RandomFace(Random& random, int width, int height) {
  Face face;
  face.cx = width * random.Uniform(0.46f, 0.54f);
  face.cy = height * random.Uniform(0.42f, 0.5f);
  face.rx = width * random.Uniform(0.24f, 0.3f);
  face.ry = face.rx * random.Uniform(1.2f, 1.4f);
  face.skin = RandomColour(random, {150, 100, 70}, {245, 205, 180});
  face.hair = RandomColour(random, {10, 8, 5}, {120, 80, 50});
  face.cloth = RandomColour(random, {10, 10, 20}, {200, 200, 220});
  face.backgroundTop = RandomColour(random, {180, 180, 200}, {255, 255, 255});
  face.backgroundBottom = RandomColour(random, {60, 100, 160}, {250, 250, 255});
  face.hairTexture = random.Uniform(6, 30);
  face.clothStripes = random.Uniform(0, 1) < 0.4f ? random.Uniform(10, 40) : 0;
  face.noise = random.Uniform(0.5f, 3.0f);
  return face;
}

Colour Background(const Face& face, float x, float y, int width, int height) {
  const float t = std::clamp(y / height * 0.8f + x / width * 0.2f, 0.0f, 1.0f);
  return Mix(face.backgroundTop, face.backgroundBottom, t);
}

Colour Shoulders(const Face& face, Colour base, float x, float y, int width, int height) {
  const float coverage = Ellipse(x, y, face.cx, height * 1.12f, width * 0.62f, height * 0.32f);
  if (coverage <= 0) return base;
  Colour cloth = Scale(face.cloth, 0.75f + 0.25f * std::cos((x - face.cx) / width * 3.0f));
  if (face.clothStripes > 0 && std::sin((x + y * 0.5f) * 0.9f) > 0.3f) {
    cloth = Mix(cloth, {240, 240, 240}, face.clothStripes / 60.0f);
  }
  return Mix(base, cloth, coverage);
}

Colour HeadAndHair(const Face& face, Colour base, float x, float y, Random& random) {
  // Neck below the face.
  const float neck = Ellipse(x, y, face.cx, face.cy + face.ry * 1.2f, face.rx * 0.55f, face.ry * 0.6f);
  base = Mix(base, Scale(face.skin, 0.8f), neck);
  // Hair: a larger ellipse behind and above the face, with strands.
  const float hair = Ellipse(x, y, face.cx, face.cy - face.ry * 0.25f, face.rx * 1.22f, face.ry * 1.0f);
  const float strands = 1.0f + (std::sin(x * 1.7f + std::sin(y * 0.35f) * 3.0f) * face.hairTexture +
                                random.Noise(face.hairTexture * 0.5f)) / 255.0f * 3.0f;
  base = Mix(base, Scale(face.hair, strands), hair);
  // Face with light from the upper left.
  const float face_coverage = Ellipse(x, y, face.cx, face.cy + face.ry * 0.08f, face.rx, face.ry * 0.95f);
  const float dx = (x - face.cx) / face.rx;
  const float dy = (y - face.cy) / face.ry;
  const float shade = std::clamp(1.05f - 0.35f * (dx * dx + dy * dy) - 0.12f * dx - 0.05f * dy, 0.4f, 1.15f);
  // Hair fringe over the forehead.
  const float fringe = Ellipse(x, y, face.cx + face.rx * 0.1f, face.cy - face.ry * 0.85f, face.rx * 1.05f,
                               face.ry * 0.35f);
  Colour skin = Scale(face.skin, shade);
  skin = Mix(skin, Scale(face.hair, strands), fringe);
  return Mix(base, skin, face_coverage);
}

Colour Features(const Face& face, Colour base, float x, float y) {
  for (const float side : {-1.0f, 1.0f}) {
    const float ex = face.cx + side * face.rx * 0.4f;
    const float ey = face.cy - face.ry * 0.1f;
    base = Mix(base, Scale(face.hair, 0.8f), Ellipse(x, y, ex, ey - face.ry * 0.17f, face.rx * 0.25f, 1.6f));
    base = Mix(base, {235, 235, 230}, Ellipse(x, y, ex, ey, face.rx * 0.2f, face.ry * 0.07f));
    base = Mix(base, {40, 30, 25}, Ellipse(x, y, ex, ey, face.rx * 0.08f, face.ry * 0.07f));
  }
  const Colour lips = Mix(face.skin, {170, 60, 60}, 0.6f);
  base = Mix(base, Scale(face.skin, 0.8f),
             Ellipse(x, y, face.cx + 1.0f, face.cy + face.ry * 0.2f, face.rx * 0.1f, face.ry * 0.18f) * 0.6f);
  return Mix(base, lips, Ellipse(x, y, face.cx, face.cy + face.ry * 0.5f, face.rx * 0.35f, face.ry * 0.08f));
}

std::uint8_t ToByte(float value) { return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 255.0f))); }

}  // namespace

RgbImage MakeSamplePortrait(std::uint32_t seed, int width, int height) {
  Random random(seed);
  const Face face = RandomFace(random, width, height);
  RgbImage image = RgbImage::Blank(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const float fx = x + 0.5f;
      const float fy = y + 0.5f;
      Colour colour = Background(face, fx, fy, width, height);
      colour = HeadAndHair(face, colour, fx, fy, random);
      colour = Features(face, colour, fx, fy);
      colour = Shoulders(face, colour, fx, fy, width, height);
      std::uint8_t* pixel = image.Pixel(x, y);
      const float grain = random.Noise(face.noise);
      pixel[0] = ToByte(colour.r + grain);
      pixel[1] = ToByte(colour.g + grain);
      pixel[2] = ToByte(colour.b + grain);
    }
  }
  return image;
}

std::vector<RgbImage> SamplePortraitSet() {
  std::vector<RgbImage> set;
  for (std::uint32_t seed = 1; seed <= 8; ++seed) {
    set.push_back(MakeSamplePortrait(seed, kWltPhotoWidth, kWltPhotoHeight));
  }
  return set;
}

double PeakSignalToNoise(const RgbImage& reference, const RgbImage& test) {
  double sum = 0;
  for (std::size_t i = 0; i < reference.pixels.size(); ++i) {
    const double difference = double(reference.pixels[i]) - double(test.pixels[i]);
    sum += difference * difference;
  }
  if (sum == 0) return 99.0;
  const double mse = sum / static_cast<double>(reference.pixels.size());
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}
