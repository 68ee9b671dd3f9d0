#include "photo_decoder/bmp_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "photo_decoder/portrait_fit.h"

namespace {

RgbImage Gradient(int width, int height) {
  RgbImage image = RgbImage::Blank(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* pixel = image.Pixel(x, y);
      pixel[0] = static_cast<std::uint8_t>(x * 7);
      pixel[1] = static_cast<std::uint8_t>(y * 5);
      pixel[2] = static_cast<std::uint8_t>(x + y);
    }
  }
  return image;
}

std::uint32_t Read32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

void Write32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

TEST(BmpFile, WritesBottomUpRowsPaddedToFourBytes) {
  const RgbImage image = Gradient(5, 3);
  const auto bytes = EncodeBmp(image);
  const std::size_t rowLength = 16;  // 5 * 3 = 15 bytes, padded
  ASSERT_EQ(bytes.size(), 54 + rowLength * 3);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(Read32(bytes, 2), bytes.size());
  EXPECT_EQ(Read32(bytes, 10), 54u);
  EXPECT_EQ(Read32(bytes, 14), 40u);
  EXPECT_EQ(Read32(bytes, 18), 5u);
  EXPECT_EQ(Read32(bytes, 22), 3u);
  EXPECT_EQ(bytes[28], 24);
  EXPECT_EQ(Read32(bytes, 34), rowLength * 3);
  // First stored row is the picture's bottom row, in blue-green-red order.
  const std::uint8_t* bottomLeft = image.Pixel(0, 2);
  EXPECT_EQ(bytes[54], bottomLeft[2]);
  EXPECT_EQ(bytes[56], bottomLeft[0]);
  EXPECT_EQ(bytes[54 + 15], 0) << "padding";

  RgbImage back;
  ASSERT_TRUE(DecodeBmp(bytes, back));
  EXPECT_EQ(back.pixels, image.pixels);
}

TEST(BmpFile, ReadsTopDownThirtyTwoBitAndPalettePictures) {
  const RgbImage image = Gradient(3, 2);
  auto topDown = EncodeBmp(image);
  // Flip to top-down: negative height and rows swapped.
  Write32(topDown, 22, static_cast<std::uint32_t>(-2));
  std::swap_ranges(topDown.begin() + 54, topDown.begin() + 66, topDown.begin() + 66);
  RgbImage back;
  ASSERT_TRUE(DecodeBmp(topDown, back));
  EXPECT_EQ(back.pixels, image.pixels);

  auto wide = EncodeBmp(RgbImage::Blank(2, 1));
  wide.resize(54 + 8, 0);
  wide[28] = 32;
  wide[54] = 10;  // blue
  wide[55] = 20;  // green
  wide[56] = 30;  // red
  ASSERT_TRUE(DecodeBmp(wide, back));
  EXPECT_EQ(back.Pixel(0, 0)[0], 30);
  EXPECT_EQ(back.Pixel(0, 0)[2], 10);

  // Two palette entries, a 3 x 1 picture with indexes 1, 0, 1.
  auto palette = EncodeBmp(RgbImage::Blank(3, 1));
  palette.resize(54 + 8 + 4, 0);
  palette[28] = 8;
  Write32(palette, 46, 2);
  Write32(palette, 10, 62);
  palette[54 + 4 + 2] = 250;  // entry 1 is red
  palette[62] = 1;
  palette[64] = 1;
  ASSERT_TRUE(DecodeBmp(palette, back));
  EXPECT_EQ(back.Pixel(0, 0)[0], 250);
  EXPECT_EQ(back.Pixel(1, 0)[0], 0);
  palette[63] = 2;  // no such entry
  EXPECT_FALSE(DecodeBmp(palette, back));
}

TEST(BmpFile, RefusesDamagedAndUnsupportedFiles) {
  const auto good = EncodeBmp(Gradient(4, 4));
  RgbImage back;
  EXPECT_FALSE(DecodeBmp(std::span(good).first(good.size() - 1), back)) << "short pixel data";
  EXPECT_FALSE(DecodeBmp(std::span(good).first(20), back)) << "short header";
  auto mutate = [&](std::size_t at, std::uint32_t value) {
    auto bad = good;
    Write32(bad, at, value);
    return DecodeBmp(bad, back);
  };
  EXPECT_FALSE(mutate(18, 0)) << "zero width";
  EXPECT_FALSE(mutate(22, 0)) << "zero height";
  EXPECT_FALSE(mutate(18, 0x7FFFFFFF)) << "huge width";
  EXPECT_FALSE(mutate(22, 0x80000000u)) << "most negative height";
  EXPECT_FALSE(mutate(10, 0xFFFFFFF0u)) << "pixels past the end";
  EXPECT_FALSE(mutate(14, 0xFFFFFFFFu)) << "header longer than the file";
  EXPECT_FALSE(mutate(30, 1)) << "run-length compression";
  auto notBmp = good;
  notBmp[0] = 'X';
  EXPECT_FALSE(DecodeBmp(notBmp, back));
}

TEST(PortraitFit, KeepsTheCentreAtThePhotoProportions) {
  // A wide picture: red side bars around a green centre of photo proportions.
  RgbImage wide = RgbImage::Blank(400, 126);
  for (int y = 0; y < wide.height; ++y) {
    for (int x = 0; x < wide.width; ++x) {
      const bool centre = x >= 149 && x < 251;
      wide.Pixel(x, y)[centre ? 1 : 0] = 255;
    }
  }
  const RgbImage fitted = FitPortrait(wide, 102, 126);
  ASSERT_EQ(fitted.width, 102);
  ASSERT_EQ(fitted.height, 126);
  for (int x : {0, 50, 101}) {
    EXPECT_EQ(fitted.Pixel(x, 60)[0], 0) << x;
    EXPECT_EQ(fitted.Pixel(x, 60)[1], 255) << x;
  }

  // A tall picture is cut at top and bottom; a tiny one is enlarged.
  const RgbImage tall = FitPortrait(Gradient(51, 300), 102, 126);
  EXPECT_EQ(tall.pixels.size(), 102u * 126 * 3);
  const RgbImage tiny = FitPortrait(Gradient(1, 1), 102, 126);
  EXPECT_EQ(tiny.Pixel(101, 125)[0], 0);
  EXPECT_EQ(tiny.Pixel(50, 60)[2], 0);
}

}  // namespace
