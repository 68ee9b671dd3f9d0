#include "photo_decoder/wlt_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "bench/sample_portraits.h"
#include "photo_decoder/wlt_header.h"

namespace {

const std::vector<std::uint8_t>& SampleStream() {
  static const std::vector<std::uint8_t> stream = EncodeWltPhoto(MakeSamplePortrait(3, kWltPhotoWidth, kWltPhotoHeight));
  return stream;
}

RgbImage Decoded(const std::vector<std::uint8_t>& bytes) {
  RgbImage photo;
  EXPECT_TRUE(DecodeWltPhoto(bytes, photo));
  return photo;
}

TEST(WltCodec, PortraitsFitTheCardAndKeepTheirLikeness) {
  // Baseline JPEG reaches 26 to 30 dB on these at 1024 bytes (see bench/).
  for (const std::uint32_t seed : {1u, 4u, 5u}) {
    const RgbImage portrait = MakeSamplePortrait(seed, kWltPhotoWidth, kWltPhotoHeight);
    const auto stream = EncodeWltPhoto(portrait);
    ASSERT_FALSE(stream.empty());
    EXPECT_LE(stream.size(), kWltMaxBytes);
    EXPECT_GE(stream.size(), kWltMaxBytes - 64) << "the budget should be used";
    const RgbImage photo = Decoded(stream);
    ASSERT_EQ(photo.width, kWltPhotoWidth);
    ASSERT_EQ(photo.height, kWltPhotoHeight);
    EXPECT_GT(PeakSignalToNoise(portrait, photo), 28.5) << "seed " << seed;
  }
}

TEST(WltCodec, SmallerBudgetIsKeptAndStillDecodes) {
  const RgbImage portrait = MakeSamplePortrait(2, kWltPhotoWidth, kWltPhotoHeight);
  const auto stream = EncodeWltPhoto(portrait, 400);
  ASSERT_FALSE(stream.empty());
  EXPECT_LE(stream.size(), 400u);
  EXPECT_GT(PeakSignalToNoise(portrait, Decoded(stream)), 22.0);
  EXPECT_TRUE(EncodeWltPhoto(portrait, kWltHeaderLength).empty());
}

TEST(WltCodec, FlatAndExtremePictures) {
  RgbImage flat = RgbImage::Blank(kWltPhotoWidth, kWltPhotoHeight);
  for (std::size_t i = 0; i < flat.pixels.size(); i += 3) {
    flat.pixels[i] = 200;
    flat.pixels[i + 1] = 30;
    flat.pixels[i + 2] = 90;
  }
  const auto flatStream = EncodeWltPhoto(flat);
  EXPECT_LT(flatStream.size(), 100u) << "a flat picture needs few bytes";
  EXPECT_GT(PeakSignalToNoise(flat, Decoded(flatStream)), 45.0);

  // Full-swing noise: the hardest content must still fit.
  RgbImage noise = RgbImage::Blank(kWltPhotoWidth, kWltPhotoHeight);
  std::uint32_t state = 12345;
  for (auto& byte : noise.pixels) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  const auto noiseStream = EncodeWltPhoto(noise);
  ASSERT_FALSE(noiseStream.empty());
  EXPECT_LE(noiseStream.size(), kWltMaxBytes);
  Decoded(noiseStream);
}

TEST(WltCodec, RefusesPicturesOfAnotherSize) {
  EXPECT_TRUE(EncodeWltPhoto(MakeSamplePortrait(1, 100, 126)).empty());
  EXPECT_TRUE(EncodeWltPhoto(RgbImage{}).empty());
}

TEST(WltCodec, ZeroPaddingAfterThePhotoChangesNothing) {
  const RgbImage expected = Decoded(SampleStream());
  auto padded = SampleStream();
  padded.resize(kWltMaxBytes, 0);
  EXPECT_EQ(Decoded(padded).pixels, expected.pixels);
  padded.resize(4 * kWltMaxBytes, 0);
  EXPECT_EQ(Decoded(padded).pixels, expected.pixels);
}

TEST(WltCodec, DamagedOrForeignBytesAreRefused) {
  RgbImage photo;
  const auto& stream = SampleStream();
  EXPECT_FALSE(DecodeWltPhoto({}, photo));
  for (std::size_t length : {std::size_t{1}, kWltHeaderLength - 1, kWltHeaderLength, stream.size() / 2,
                             stream.size() - 1}) {
    EXPECT_FALSE(DecodeWltPhoto(std::span(stream).first(length), photo)) << "truncated to " << length;
  }
  for (std::size_t at : {std::size_t{0}, std::size_t{2}, std::size_t{5}, std::size_t{9}, std::size_t{40},
                         stream.size() - 1}) {
    auto damaged = stream;
    damaged[at] ^= 0x10;
    EXPECT_FALSE(DecodeWltPhoto(damaged, photo)) << "byte " << at << " changed";
  }
  EXPECT_FALSE(DecodeWltPhoto(std::vector<std::uint8_t>(kWltMaxBytes, 0), photo));
  EXPECT_FALSE(DecodeWltPhoto(std::vector<std::uint8_t>(kWltMaxBytes, 0xFF), photo));
  std::uint32_t state = 7;
  int accepted = 0;
  for (int trial = 0; trial < 2000; ++trial) {
    std::vector<std::uint8_t> random(kWltMaxBytes);
    for (auto& byte : random) {
      state = state * 1664525u + 1013904223u;
      byte = static_cast<std::uint8_t>(state >> 24);
    }
    accepted += DecodeWltPhoto(random, photo) ? 1 : 0;
  }
  EXPECT_EQ(accepted, 0);
}

TEST(WltCodec, AnyPayloadWithAValidHeaderDecodesSafely) {
  // Bytes that pass the header checks but were never written by the encoder:
  // the decoder must stay in bounds and give some picture.
  std::uint32_t state = 99;
  for (int trial = 0; trial < 50; ++trial) {
    std::vector<std::uint8_t> payload(static_cast<std::size_t>(trial * 20));
    for (auto& byte : payload) {
      state = state * 1664525u + 1013904223u;
      byte = static_cast<std::uint8_t>(state >> 24);
    }
    WltHeader header;
    header.lumaStepCode = static_cast<std::uint16_t>(kWltMinStepCode + trial * 1300);
    header.chromaStepCode = static_cast<std::uint8_t>(trial % 16);
    header.reconstructionCode = static_cast<std::uint8_t>((trial * 7) % 16);
    RgbImage photo;
    EXPECT_TRUE(DecodeWltPhoto(AssembleWltStream(header, payload), photo));
    EXPECT_EQ(photo.pixels.size(), static_cast<std::size_t>(kWltPhotoWidth) * kWltPhotoHeight * 3);
  }
}

}  // namespace
